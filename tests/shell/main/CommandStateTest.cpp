// What the window offers for each kind of open archive, and the selection totals.
#include <QCheckBox>
#include <QItemSelectionModel>
#include <cstdint>

#include "engine/SizeText.h"
#include "formats/cRFH.h"
#include "tests/shell/main/MainWindowFixture.h"

namespace varnok::test {
namespace {

using Names = std::vector<const char*>;

class MainWindowCommandState : public MainWindowTest {
protected:
    void SetUp() override { Start(); }

    void ExpectEnabled(const Names& commands, bool enabled) const {
        for (const char* command : commands) EXPECT_EQ(Action(command)->isEnabled(), enabled) << command;
    }
};

TEST_F(MainWindowCommandState, AnRfhArchiveWithEntriesOffersEveryCommand) {
    Open("demo.rfh");
    EXPECT_EQ(window->windowTitle(), "Varnok 2 - Beta 1/Build 77 - [demo.rfh]");
    EXPECT_EQ(Panel(2), "320 Files");
    EXPECT_EQ(Rows(), 320);
    ExpectEnabled({"mnuFileClose", "mnuFileDelete", "mnuActionViewFile", "mnuActionViewWith", "mnuActionAddFile",
                   "mnuActionExtractFile", "mnuActionRemoveFile", "mnuActionAddDirectory",
                   "mnuActionExtractDirectory", "mnuActionRemoveDirectory", "mnuActionExtractAll",
                   "mnuActionRemoveAll", "mnuActionSelectAll", "mnuActionInvertSelection", "mnuActionRenameFile",
                   "mnuActionChangePath", "mnuActionFindFile", "mnuFavoritesAdd", "mnuViewRefresh", "tbButton3",
                   "tbButton5", "tbButton6", "tbButton7", "tbButton8", "mnuFileTest", "tbButton10"},
                  true);

    // The toolbar's close button closes it like File > Close.
    Action("tbButton3")->trigger();
    EXPECT_EQ(window->windowTitle(), "Varnok 2 - Beta 1/Build 77");
    EXPECT_EQ(Rows(), 0);
    ExpectEnabled({"mnuFileClose", "mnuActionAddFile", "mnuActionExtractAll", "tbButton6", "mnuFileTest", "tbButton10"},
                  false);
}

TEST_F(MainWindowCommandState, ABagArchiveOffersAddRemoveAndRenameButNoPaths) {
    Open("demo.bag");
    EXPECT_EQ(Panel(2), "8 Files");
    EXPECT_EQ(Rows(), 8);
    const Names edits = {"mnuActionAddFile", "mnuActionRemoveFile", "mnuActionAddDirectory", "mnuActionRenameFile",
                         "tbButton6", "tbButton8"};
    ExpectEnabled({"mnuActionViewFile", "mnuActionExtractFile", "mnuActionExtractDirectory", "mnuActionExtractAll",
                   "mnuActionSelectAll", "mnuActionFindFile", "tbButton5", "tbButton7", "mnuFileTest", "tbButton10"},
                  true);
    ExpectEnabled(edits, true);
    ExpectEnabled({"mnuActionRemoveDirectory", "mnuActionRemoveAll", "mnuActionChangePath"}, false);

    // The user's "Read Only" box narrows it to reading.
    window->findChild<QCheckBox*>("chkReadOnly")->click();
    ExpectEnabled(edits, false);
    window->findChild<QCheckBox*>("chkReadOnly")->click();
    ExpectEnabled(edits, true);

    // The ADPCM switch is the engine's.
    Action("mnuActionAddAsAdpcm")->trigger();
    EXPECT_TRUE(window->Engine().AddAsAdpcm());
}

TEST_F(MainWindowCommandState, AnEmptyArchiveCanOnlyBeAddedTo) {
    tmp.write("empty.rfh", "");
    Open("empty.rfh");
    EXPECT_EQ(Panel(2), "0 Files");
    ExpectEnabled({"mnuFileClose", "mnuActionAddFile", "mnuActionAddDirectory", "mnuViewRefresh", "tbButton6"},
                  true);
    ExpectEnabled({"mnuActionViewFile", "mnuActionExtractFile", "mnuActionRemoveFile", "mnuActionSelectAll",
                   "mnuActionInvertSelection", "mnuActionRenameFile", "mnuActionChangePath", "tbButton5",
                   "tbButton7", "tbButton8", "mnuFileTest", "tbButton10"},
                  false);
}

// The toolbar's test button runs File > Test Archive, and its verdict is in panel 1.
TEST_F(MainWindowCommandState, TestArchiveReportsInPanelOne) {
    Open("demo.bag");
    Action("tbButton10")->trigger();
    EXPECT_EQ(Panel(1), "All 8 entries are intact.");
    EXPECT_FALSE(Find<QWidget>("cmdCancel")->isVisible());
    EXPECT_TRUE(Action("mnuFileTest")->isEnabled());
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

}  // namespace
}  // namespace varnok::test
