#include "platform/Folders.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

using EngineRename = EngineTest;
using EngineView = EngineTest;

TEST_F(EngineRename, NamesAndPathsFollowTheDialogsRules) {
    const fs::path index = MakeRfh("Game.rfh", {{"sounds\\a.wav", "wave"}, {"other.txt", "other"}});
    Open(index);
    Select({1});
    const auto stored = [&] { return StoredNames(index).at(0); };

    engine.ConfirmRename("x\\c.wav");
    EXPECT_EQ(stored(), "sounds\\c.wav");
    EXPECT_EQ(Cell(1, Column::Filename), "c.wav");
    EXPECT_EQ(Cell(1, Column::Path), "sounds\\");

    const std::pair<const char*, const char*> paths[] = {
        {"\\music", "music\\"}, {"", ""}, {"a\\b", "a\\b\\"}, {"\\", ""}};
    for (const auto& [typed, path] : paths) {
        engine.ConfirmChangePath(typed);
        EXPECT_EQ(stored(), std::string(path) + "c.wav") << typed;
        EXPECT_EQ(Cell(1, Column::Path), path) << typed;
    }
    EXPECT_EQ(StoredNames(index).at(1), "other.txt");
    EXPECT_TRUE(ui.messages.empty());

    // Without a current row nothing happens.
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
    EXPECT_EQ(ui.panel[1], "Selected 2 files 11 bytes");
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
