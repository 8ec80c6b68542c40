#include <algorithm>
#include <fstream>

#include "engine/EntryPreview.h"
#include "engine/TextRules.h"
#include "formats/audio/ImaAdpcm.h"
#include "formats/io/File.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

using EntryPreviewRead = EngineTest;

// Text that compresses well, so the stream spans several inflate chunks.
std::string Counting(std::size_t size) {
    std::string text;
    for (int i = 0; text.size() < size; ++i) text += "line " + std::to_string(i) + "\r\n";
    text.resize(size);
    return text;
}

void Overwrite(const fs::path& file, std::uint64_t offset, const std::string& bytes) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(offset));
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST_F(EntryPreviewRead, StopsAtTheLimitAndGivesTheFirstBytes) {
    const std::string text = Counting(600000);
    Open(MakeRfh("Game.rfh", {{"maps\\rules.ini", text}}));
    const EntryReader reader = EntryReader::Take(engine, 1);

    const std::pair<std::uint64_t, bool> limits[] = {{1, false},      {1000, false},  {262145, false},
                                                     {599999, false}, {600000, true}, {1u << 30, true}};
    for (const auto& [limit, whole] : limits) {
        const EntryPreview preview = reader.Read(limit);
        EXPECT_EQ(preview.error, "") << limit;
        EXPECT_EQ(preview.complete, whole) << limit;
        const auto expected = text.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(limit, text.size())));
        EXPECT_EQ(std::string(preview.bytes.begin(), preview.bytes.end()), expected) << limit;
    }
}

// Damage is reported only once a read reaches it.
TEST_F(EntryPreviewRead, DamagedEntriesGiveTheReasonAndNoBytes) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.ini", Counting(200000)}, {"b.ini", Counting(300000)}});
    Open(index);
    const fs::path data = DataFilePath(index.string());
    const EntryReader first = EntryReader::Take(engine, 1);
    const EntryReader second = EntryReader::Take(engine, 2);
    Overwrite(data, 40, std::string(64, '\xFF'));
    fs::resize_file(data, fs::file_size(data) - 200);

    const EntryPreview damaged = first.Read(1u << 20), cut = second.Read(1u << 20), start = second.Read(1000);
    EXPECT_NE(damaged.error.find("the compressed data is damaged"), std::string::npos) << damaged.error;
    EXPECT_NE(cut.error.find("ends early"), std::string::npos) << cut.error;
    EXPECT_TRUE(damaged.bytes.empty() && cut.bytes.empty());
    EXPECT_EQ(std::string(start.bytes.begin(), start.bytes.end()), Counting(1000)) << start.error;
}

TEST_F(EntryPreviewRead, BagSoundsReadAsWaveFilesWhenTheyFit) {
    const std::vector<std::int16_t> samples(2000, 1000);
    const auto adpcm = audio::ImaEncode(samples, 1, 512);
    const fs::path bag = MakeBag("Sounds.bag", {{"voice", 22050, 28, 512, adpcm}});
    Open(bag);
    const EntryReader voice = EntryReader::Take(engine, 1);
    EXPECT_EQ(voice.ContentName(), "voice.wav");
    const EntryPreview wave = voice.Read(adpcm.size());
    ASSERT_TRUE(wave.complete) << wave.error;
    EXPECT_EQ(std::string(wave.bytes.begin(), wave.bytes.begin() + 4), "RIFF");
    EXPECT_GE(wave.bytes.size(), 44 + samples.size() * 2);

    const EntryPreview raw = voice.Read(100);
    EXPECT_FALSE(raw.complete);
    EXPECT_EQ(raw.bytes, Bytes(adpcm.begin(), adpcm.begin() + 100));
}

using EngineTestArchive = EngineTest;

TEST_F(EngineTestArchive, AnIntactArchiveIsSaidSoAndADamagedEntryIsNamedWithItsReason) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}, {"b.txt", "bravo"}, {"m\\c.txt", "charlie"}});
    Open(index);
    engine.TestArchive();
    EXPECT_EQ(ui.panel[1], "All 3 entries are intact.");
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

}  // namespace
}  // namespace varnok::test
