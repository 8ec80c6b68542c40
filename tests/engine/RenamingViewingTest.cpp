#include "platform/Folders.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

using EngineRename = EngineTest;
using EngineView = EngineTest;

// Which names are allowed is tested with the name rules; here, what a rename does to its row.
TEST_F(EngineRename, ARenameKeepsTheStoredPathAndNeedsACurrentRow) {
    const fs::path index = MakeRfh("Game.rfh", {{"sounds\\a.wav", "wave"}, {"other.txt", "other"}});
    Open(index);
    Select({1});
    engine.ConfirmRename("x\\c.wav");  // a folder typed in front is dropped
    engine.ConfirmChangePath("\\music");
    EXPECT_EQ(StoredNames(index), (std::vector<std::string>{"music\\c.wav", "other.txt"}));
    EXPECT_EQ(Cell(1, Column::Path) + Cell(1, Column::Filename), "music\\c.wav");

    const auto before = ReadBytes(index);
    ui.focused = 0;
    engine.ConfirmRename("zzz.wav");
    engine.ConfirmChangePath("zzz");
    EXPECT_EQ(ReadBytes(index), before);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(EngineView, SelectedEntriesOpenFromTheViewFolder) {
    Open(MakeRfh("Game.rfh", {{"A\\same.txt", "first"}, {"B\\same.txt", "second"}, {"other.txt", "other"}}));
    const fs::path view = dir / "windows/Temp/TMP0005";
    ASSERT_EQ(ViewFolder(), view);

    Select({1, 2});
    engine.ViewFile();
    EXPECT_EQ(ui.opened, (std::vector<std::string>{(view / "same.txt").string(), (view / "same.txt").string()}));
    EXPECT_EQ(ReadText(view / "same.txt"), "second");
    ui.opened.clear();

    // Open-with takes the focused row only and opens nothing itself.
    fs::remove_all(view);
    Select({1, 2, 3}, 3);
    EXPECT_EQ(engine.ViewFileWith(), (view / "other.txt").string());
    EXPECT_EQ(FilesBelow(view), std::set<std::string>{"other.txt"});
    EXPECT_TRUE(ui.opened.empty());
}

}  // namespace
}  // namespace varnok::test
