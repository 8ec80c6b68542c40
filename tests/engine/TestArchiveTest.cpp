#include "formats/cBAG.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

using EngineTestArchive = EngineTest;

TEST_F(EngineTestArchive, AnIntactArchiveIsSaidSoAndADamagedEntryIsNamedWithItsReason) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}, {"b.txt", "bravo"}, {"m\\c.txt", "charlie"}});
    Open(index);
    engine.TestArchive();
    EXPECT_EQ(ui.panel[1], "All 3 entries are intact.");
    ui.cancelAfter = 1;
    engine.TestArchive();
    EXPECT_EQ(ui.panel[1], "Cancelled: 1 of 3 entries tested.");

    // The data file loses the end of the last entry.
    ui.cancelAfter.reset();
    const fs::path data = dir / "Game.rfd";
    const auto size = fs::file_size(data);
    fs::resize_file(data, size - 3);
    engine.TestArchive();
    EXPECT_EQ(ui.panel[1], "1 of 3 entries is damaged.");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "These entries are damaged:\n\nentry 3 (m\\c.txt): its data ends at offset " +
                                       std::to_string(size) + ", past the end of the file at " +
                                       std::to_string(size - 3));
}

TEST_F(EngineTestArchive, ABagSoundThatDoesNotDecodeIsDamaged) {
    std::vector<std::uint8_t> goodBlock(36, 0x11), badBlock(36, 0x11);
    goodBlock[2] = 10;  // step index of the block header
    badBlock[2] = 200;
    Open(MakeBag("Sounds.bag", {{"good", 22050, 8, 36, goodBlock},
                                {"bad", 22050, 8, 36, badBlock},
                                {"raw", 22050, 2 | 4, 0, std::vector<std::uint8_t>(8, 0)}}));
    engine.TestArchive();
    EXPECT_EQ(ui.panel[1], "1 of 3 entries is damaged.");
    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string& text = ui.messages[0].text;
    EXPECT_EQ(text.rfind("These entries are damaged:\n\nentry 2 (bad.cmp): ADPCM block 1 of ", 0), 0u) << text;
    EXPECT_NE(text.find("has step index 200 for channel 1"), std::string::npos) << text;
}

}  // namespace
}  // namespace varnok::test
