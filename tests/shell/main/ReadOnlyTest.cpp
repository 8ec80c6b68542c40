// The "Read Only" box, and the toolbar commands that must do what their menu items do.
#include <QCheckBox>
#include <QSignalSpy>
#include <QTest>

#include "tests/shell/main/MainWindowFixture.h"

namespace varnok::test {
namespace {

using Names = std::vector<const char*>;

class MainWindowReadOnly : public MainWindowTest {
protected:
    void SetUp() override { Start(); }

    QCheckBox* Box() const { return Find<QCheckBox>("chkReadOnly"); }
    // Whether the commands that change entries are offered, checking that they
    // all agree, and that the reading ones stay offered.
    bool EditsOffered() const {
        const Names edits = {"mnuActionAddFile",         "mnuActionRemoveFile", "mnuActionAddDirectory",
                             "mnuActionRemoveDirectory", "mnuActionRemoveAll",  "mnuActionRenameFile",
                             "mnuActionChangePath",      "tbButton6",           "tbButton8"};
        for (const char* read : {"mnuActionViewFile", "mnuActionExtractFile", "mnuActionExtractAll", "tbButton7"}) {
            EXPECT_TRUE(Action(read)->isEnabled()) << read;
        }
        const bool first = Action(edits[0])->isEnabled();
        for (const char* edit : edits) EXPECT_EQ(Action(edit)->isEnabled(), first) << edit;
        return first;
    }
};

TEST_F(MainWindowReadOnly, TickingTheBoxBlocksEveryEditUntilItIsUnticked) {
    Open("demo.rfh");
    ASSERT_TRUE(Box()->isEnabled());
    EXPECT_TRUE(EditsOffered());

    QTest::mouseClick(Box(), Qt::LeftButton);
    EXPECT_TRUE(Box()->isChecked());
    EXPECT_FALSE(EditsOffered());
    List()->setFocus();
    List()->selectionModel()->select(List()->model()->index(0, 0),
                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QTest::keyClick(List(), Qt::Key_Delete);
    EXPECT_EQ(Rows(), 320);
    EXPECT_TRUE(messages.empty());

    // A command that comes another way (a plug-in menu, a drop) is refused by the engine.
    window->Engine().RemoveSelectedFiles();
    window->Engine().AddDroppedFiles({Path("demo.bag")});
    EXPECT_EQ(messages,
              std::vector<std::string>(2, "This archive is open read-only. Untick \"Read Only\" to change it."));
    messages.clear();
    EXPECT_EQ(Rows(), 320);

    Open("demo.rfh");
    EXPECT_TRUE(Box()->isChecked()) << "the choice outlasts the archive";
    EXPECT_FALSE(EditsOffered());

    QTest::mouseClick(Box(), Qt::LeftButton);
    EXPECT_FALSE(Box()->isChecked());
    EXPECT_TRUE(EditsOffered());
}

TEST_F(MainWindowReadOnly, AnArchiveTheProgramOpensReadOnlyShowsTheBoxTickedAndLocked) {
    std::string index = ReadText(tmp / "demo.rfh");
    index += std::string("\xFF\xFF\xFF\x7F\x01\x02\x03\x04", 8);  // a name length past the end
    tmp.write("hurt.rfh", index);
    tmp.write("hurt.rfd", ReadText(tmp / "demo.rfd"));
    Open("hurt.rfh");
    EXPECT_TRUE(Box()->isChecked());
    EXPECT_FALSE(Box()->isEnabled());
    EXPECT_FALSE(EditsOffered());

    Open("demo.rfh");
    EXPECT_FALSE(Box()->isChecked());
    EXPECT_TRUE(Box()->isEnabled());
    EXPECT_TRUE(EditsOffered());
}

TEST_F(MainWindowReadOnly, TheToolbarsExtractIsTheMenusExtract) {
    Open("demo.rfh");
    QSignalSpy menu(Action("mnuActionExtractFile"), &QAction::triggered);
    Action("tbButton7")->trigger();
    EXPECT_EQ(menu.count(), 1) << "so both ask the same overwrite question";
    messages.clear();  // the folder picker it brought up
}

}  // namespace
}  // namespace varnok::test
