// The user's own read-only switch.
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

using EngineUserReadOnly = EngineTest;

TEST_F(EngineUserReadOnly, RefusesEveryEditWhileOnAndOutlastsTheArchive) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}, {"music\\b.txt", "bravo"}});
    const fs::path added = dir.write("in/c.txt", "charlie");
    engine.SetUserReadOnly(true);
    Open(index);
    const auto indexBytes = ReadBytes(index), dataBytes = ReadBytes(dir / "Game.rfd");
    Select({1, 2});
    engine.AddFileToArchive(added.string(), "");
    engine.AddDirectoryToArchive((dir / "in").string(), "");
    engine.AddDroppedFiles({added.string()});
    engine.RemoveSelectedFiles();
    engine.RemoveFileFromArchive(1, true);
    engine.RemoveDirectoryFromArchive("");
    engine.RemoveAllFiles();
    engine.ConfirmRename("renamed.txt");
    engine.ConfirmChangePath("moved");
    ASSERT_EQ(ui.messages.size(), 9u);
    for (const auto& m : ui.messages) {
        EXPECT_EQ(m.text, "This archive is open read-only. Untick \"Read Only\" to change it.");
    }
    EXPECT_EQ(ReadBytes(index), indexBytes);
    EXPECT_EQ(ReadBytes(dir / "Game.rfd"), dataBytes);

    engine.SetUserReadOnly(false);
    ui.messages.clear();
    engine.ConfirmRename("renamed.txt");
    EXPECT_EQ(StoredNames(index), (std::vector<std::string>{"renamed.txt", "music\\b.txt"}));
}

}  // namespace
}  // namespace varnok::test
