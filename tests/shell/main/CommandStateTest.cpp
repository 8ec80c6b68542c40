// What the window offers for each kind of open archive, and the selection totals.
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
    ExpectEnabled({"mnuFileDelete", "mnuActionViewWith", "mnuActionRemoveDirectory", "mnuActionRemoveAll",
                   "mnuActionChangePath", "mnuFavoritesAdd", "tbButton3", "mnuFileTest"},
                  true);

    // The toolbar's close button closes it like File > Close.
    Action("tbButton3")->trigger();
    EXPECT_EQ(Rows(), 0);
    ExpectEnabled({"mnuFileClose", "mnuActionAddFile", "mnuActionExtractAll", "tbButton6", "tbButton10"}, false);
}

TEST_F(MainWindowCommandState, ABagArchiveOffersAddRemoveAndRenameButNoPaths) {
    Open("demo.bag");
    ExpectEnabled({"mnuActionAddFile", "mnuActionRemoveFile", "mnuActionAddDirectory", "mnuActionRenameFile",
                   "mnuActionExtractDirectory", "tbButton6", "tbButton8", "mnuFileTest"},
                  true);
    ExpectEnabled({"mnuActionRemoveDirectory", "mnuActionRemoveAll", "mnuActionChangePath"}, false);

    // The ADPCM switch is the engine's.
    Action("mnuActionAddAsAdpcm")->trigger();
    EXPECT_TRUE(window->Engine().AddAsAdpcm());
}

TEST_F(MainWindowCommandState, AnEmptyArchiveCanOnlyBeAddedTo) {
    tmp.write("empty.rfh", "");
    Open("empty.rfh");
    ExpectEnabled({"mnuFileClose", "mnuActionAddFile", "mnuActionAddDirectory", "tbButton6"}, true);
    ExpectEnabled({"mnuActionViewFile", "mnuActionExtractFile", "mnuActionRemoveFile", "mnuActionSelectAll",
                   "mnuActionRenameFile", "tbButton7", "tbButton8", "mnuFileTest", "tbButton10"},
                  false);
}

// The toolbar's test button runs File > Test Archive, and its verdict is in panel 1.
TEST_F(MainWindowCommandState, TestArchiveReportsInPanelOne) {
    Open("demo.bag");
    Action("tbButton10")->trigger();
    EXPECT_EQ(Panel(1), "All 8 entries are intact.");
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
