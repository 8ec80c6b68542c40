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

TEST_F(MainWindowCommandState, EachKindOfArchiveOffersWhatItCanDo) {
    tmp.write("empty.rfh", "");
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

}  // namespace
}  // namespace varnok::test
