// What the window offers for each kind of open archive and under "Read Only", the selection totals, the Cancel
// button and Escape of long operations.
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cstdint>
#include <functional>

#include "engine/SizeText.h"
#include "formats/cRFH.h"
#include "tests/shell/main/MainWindowFixture.h"

namespace varnok::test {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<const char*>;

class MainWindowCommandState : public MainWindowTest {
protected:
    void SetUp() override { Start(); }

    void ExpectEnabled(const Names& commands, bool enabled) const {
        for (const char* command : commands) EXPECT_EQ(Action(command)->isEnabled(), enabled) << command;
    }
};

TEST_F(MainWindowCommandState, EachKindOfArchiveOffersWhatItCanDo) {
    tmp.write("empty.rfh", "");
    tmp.write("empty.rfd", "");
    const struct {
        const char* archive;
        Names offered, refused;
    } cases[] = {
        {"demo.rfh",
         {"mnuFileDelete", "mnuActionViewWith", "mnuActionRemoveDirectory", "mnuActionChangePath", "tbButton3"},
         {}},
        {"empty.rfh",
         {"mnuFileClose", "mnuActionAddFile", "mnuActionAddDirectory", "tbButton6"},
         {"mnuActionViewFile", "mnuActionExtractFile", "mnuActionSelectAll", "tbButton7", "mnuFileTest"}},
        {"demo.bag",
         {"mnuActionAddFile", "mnuActionRemoveFile", "mnuActionRenameFile", "mnuActionExtractDirectory", "tbButton8"},
         {"mnuActionRemoveDirectory", "mnuActionRemoveAll", "mnuActionChangePath"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.archive);
        Open(c.archive);
        ExpectEnabled(c.offered, true);
        ExpectEnabled(c.refused, false);
    }

    Action("mnuActionAddAsAdpcm")->trigger();  // the ADPCM switch is the engine's
    EXPECT_TRUE(window->Engine().AddAsAdpcm());

    // The toolbar's close button closes it like File > Close.
    Action("tbButton3")->trigger();
    EXPECT_EQ(Rows(), 0);
    ExpectEnabled({"mnuFileClose", "mnuActionAddFile", "mnuActionExtractAll", "tbButton6", "tbButton10"}, false);
}

TEST_F(MainWindowCommandState, SelectAllAndInvertSelectionShowTheNewTotals) {
    Open("demo.rfh");
    const cRFH& index = window->Engine().Index();
    const auto size = [&](int n) {
        return static_cast<std::int64_t>(static_cast<std::uint32_t>(index.GetOriginalSize(n)));
    };
    std::int64_t all = 0;
    for (int n = 1; n <= 320; ++n) all += size(n);

    Action("mnuActionSelectAll")->trigger();
    EXPECT_EQ(Panel(1), "Selected 320 files " + FormatSize(all));

    QItemSelectionModel* selection = List()->selectionModel();
    selection->select(List()->model()->index(1, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Action("mnuActionInvertSelection")->trigger();
    EXPECT_EQ(Panel(1), "Selected 319 files " + FormatSize(all - size(2)));
    EXPECT_FALSE(selection->isRowSelected(1, {}));
}

class MainWindowReadOnly : public MainWindowTest {
protected:
    void SetUp() override { Start(); }

    QCheckBox* Box() const { return Find<QCheckBox>("chkReadOnly"); }
    // Whether the commands that change entries or move, rename or delete the
    // archive's files are offered, checking that they all agree, and that the
    // reading ones stay offered.
    bool EditsOffered() const {
        const Names edits = {
            "mnuActionAddFile",   "mnuActionRemoveFile", "mnuActionAddDirectory", "mnuActionRemoveDirectory",
            "mnuActionRemoveAll", "mnuActionRenameFile", "mnuActionChangePath",   "tbButton6",
            "tbButton8",          "mnuFileMove",         "mnuFileRename",         "mnuFileDelete"};
        for (const char* read :
             {"mnuActionViewFile", "mnuActionExtractFile", "mnuActionExtractAll", "tbButton7", "mnuFileCopy"}) {
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

TEST_F(MainWindowReadOnly, TheToolbarsExtractIsTheMenusExtract) {
    Open("demo.rfh");
    QSignalSpy menu(Action("mnuActionExtractFile"), &QAction::triggered);
    Action("tbButton7")->trigger();
    EXPECT_EQ(menu.count(), 1) << "so both ask the same overwrite question";
    messages.clear();  // the folder picker it brought up
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

class MainWindowLongOperations : public MainWindowTest {
protected:
    void SetUp() override { Start(); }
    QPushButton* CancelButton() const { return Find<QPushButton>("cmdCancel"); }

    // Extracts all of demo.rfh into `out` while `press` runs once the loop has
    // started; returns whether the Cancel button was showing then.
    bool ExtractAllPressing(const fs::path& out, const std::function<void()>& press) {
        Open("demo.rfh");
        bool shown = false;
        QTimer::singleShot(0, window.get(), [&] {
            shown = CancelButton()->isVisible();
            press();
        });
        window->Engine().ExtractAllFiles(out.string(), false, false, false);
        return shown;
    }

    // The count in "Cancelled: N of 320 files extracted.", or -1.
    int CancelledAt() const {
        const QString text = QString::fromStdString(Panel(1));
        const QString head = QStringLiteral("Cancelled: "), tail = QStringLiteral(" of 320 files extracted.");
        if (!text.startsWith(head) || !text.endsWith(tail)) return -1;
        return text.mid(head.size(), text.size() - head.size() - tail.size()).toInt();
    }
};

// The button and Escape each stop an extraction after the entry in hand, and
// only while one runs.
TEST_F(MainWindowLongOperations, CancelAndEscapeStopAnExtractionAfterTheEntryInHand) {
    QApplication::setActiveWindow(window.get());
    EXPECT_FALSE(CancelButton()->isVisible());
    EXPECT_FALSE(Action("actCancel")->isEnabled());
    const fs::path out = tmp / "out";
    EXPECT_TRUE(ExtractAllPressing(out, [this] { QTest::mouseClick(CancelButton(), Qt::LeftButton); }));
    const int done = CancelledAt();
    ASSERT_GT(done, 0) << Panel(1);
    EXPECT_EQ(static_cast<int>(std::distance(fs::directory_iterator(out), fs::directory_iterator())), done)
        << "every entry taken on is written whole, and nothing else";
    EXPECT_FALSE(CancelButton()->isVisible());
    EXPECT_TRUE(Action("mnuFileOpen")->isEnabled() && List()->isEnabled());

    EXPECT_TRUE(ExtractAllPressing(tmp / "escaped", [this] { QTest::keyClick(window.get(), Qt::Key_Escape); }));
    EXPECT_GT(CancelledAt(), 0) << Panel(1);
    EXPECT_FALSE(Action("actCancel")->isEnabled());
}

}  // namespace
}  // namespace varnok::test
