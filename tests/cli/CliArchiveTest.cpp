// The archive commands of varnok, run as the real executable on archives built
// with the format classes. What the engine decides is tested with the engine; these
// check what the tool adds: selection by words, options, output, exit codes.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/audio/Wave.h"
#include "formats/cBAG.h"
#include "formats/cRFH.h"
#include "tests/cli/CliSupport.h"
#include "tests/support/TempDir.h"

namespace varnok::test {
namespace {
namespace fs = std::filesystem;
using Names = std::vector<std::string>;
constexpr auto npos = std::string::npos;

const std::string kMusic = "sounds\\m\xFCsic.txt";  // Windows-1252 ü
const std::string kMusicUtf8 = "sounds\\m\xC3\xBCsic.txt";

class CliTest : public CliFixture {
protected:
    void SetUp() override {
        entries_ = {{"readme.txt", ToBytes("Hello, Arrakis!\r\n")},
                    {"sounds\\ui\\click.wav", PseudoRandomBytes(3000, 1)},
                    {kMusic, TextLikeBytes(900, 2)},
                    {"data\\say \"hi\".txt", ToBytes("hi there")}};
        BuildRfh(dir_ / "game.rfh", entries_);
    }

    std::vector<TestEntry> Reread(const std::string& index = "game.rfh") { return ReadRfhIndependently(dir_ / index); }

    Names StoredNames(const std::string& index = "game.rfh") {
        Names names;
        for (const TestEntry& e : Reread(index)) names.push_back(e.storedName);
        return names;
    }

    std::vector<TestEntry> entries_;
};

TEST_F(CliTest, ListGivesByteCountsAndEscapedNamesAsTextOrJson) {
    CliResult r = Run({"list", "game.rfh"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(" 3000 "), npos) << r.out;  // not "2.92 KB"
    EXPECT_NE(r.out.find("  " + kMusicUtf8 + "\n"), npos);
    r = Run({"list", "game.rfh", "--json"});
    EXPECT_EQ(r.out.rfind("{\"archive\":\"game.rfh\",\"kind\":\"rfh\",\"entries\":[", 0), 0u);
    EXPECT_NE(r.out.find("{\"number\":4,\"name\":\"data\\\\say \\\"hi\\\".txt\",\"path\":\"data\\\\\","
                         "\"packed\":true,"),
              npos)
        << r.out;

    // A literal "\x41" must stay apart from an escaped character.
    BuildRfh(dir_ / "odd.rfh", {{"dir\\x41\tb\x01.txt", ToBytes("abc")}});
    EXPECT_NE(Run({"list", "odd.rfh"}).out.find("  dir\\x5Cx41\\x09b\\x01.txt\n"), npos);
}

TEST_F(CliTest, ExtractSelectsByNumberAndByNameInAnyCaseOrFailsWritingNothing) {
    CliResult r = Run({"extract", "game.rfh", "1", "SOUNDS/UI/Click.WAV", "sounds\\M\xC3\xBCSIC.txt", "-o", "out"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(dir_.listing("out"), (Names{"click.wav", "m\xC3\xBCsic.txt", "readme.txt"}));
    EXPECT_EQ(ReadBytes(dir_ / "out/m\xC3\xBCsic.txt"), entries_[2].bytes);

    r = Run({"extract", "game.rfh", "1", "nothing.txt", "9", "-o", "none"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no entry \"nothing.txt\""), npos) << r.err;
    EXPECT_FALSE(fs::exists(dir_ / "none"));

    ASSERT_EQ(Run({"extract", "game.rfh", "--keep-paths", "-o", "tree"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir_ / "tree/data/say \"hi\".txt"), entries_[3].bytes);
}

// Without a terminal an existing file is kept and the command fails; on one the
// question is asked per file; --overwrite replaces.
TEST_F(CliTest, ExistingFilesAreKeptAskedAboutOrOverwritten) {
    dir_.write("out/readme.txt", "mine");
    dir_.write("out/click.wav", "mine too");
    CliResult r = Run({"extract", "game.rfh", "readme.txt", "-o", "out"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("readme.txt already exists"), npos) << r.err;

    r = RunCliOnTerminal(dir_.path(), {"extract", "game.rfh", "1", "2", "-o", "out"}, "n\nyes\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadText(dir_ / "out/readme.txt"), "mine");
    EXPECT_EQ(ReadBytes(dir_ / "out/click.wav"), entries_[1].bytes);

    ASSERT_EQ(Run({"extract", "game.rfh", "readme.txt", "-o", "out", "--overwrite"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir_ / "out/readme.txt"), entries_[0].bytes);
}

std::vector<std::uint8_t> WaveFile(unsigned channels, unsigned bits, std::size_t bytes, std::uint8_t value) {
    const auto header = audio::PcmWaveHeader(channels, 22050, bits, bytes);
    std::vector<std::uint8_t> out(header.size() + bytes, value);
    std::copy(header.begin(), header.end(), out.begin());
    return out;
}

TEST_F(CliTest, BagArchivesExtractRawOrAsWaveAndTakeEdits) {
    const std::vector<std::uint8_t> samples = PseudoRandomBytes(400, 3);
    const BAGWriteEntry entries[] = {{"intro", 22050, 2, 7, samples}, {"theme", 44100, 37, 0, ToBytes("ID3 mp3")}};
    cBAG::BAGWrite(dir_ / "sfx.bag", entries);
    ASSERT_EQ(Run({"extract", "sfx.bag", "intro.w", "-o", "plain", "--raw"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir_ / "plain/intro.w"), samples);
    ASSERT_EQ(Run({"extract", "sfx.bag", "-o", "wav", "--wav"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir_ / "wav/intro.wav").size(), 44 + samples.size());
    EXPECT_EQ(ReadText(dir_ / "wav/theme.mp3"), "ID3 mp3");  // not a wave type: never converted

    dir_.write("in/boom.wav", WaveFile(1, 16, 8, 1));
    dir_.write("in/INTRO.wav", WaveFile(2, 8, 6, 2));
    dir_.write("in/speech.wav", WaveFile(1, 16, 4000, 0));
    // Without --overwrite the file of an existing name is refused, the rest added.
    CliResult r = Run({"add", "sfx.bag", "in/boom.wav", "in/INTRO.wav"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "varnok: \"intro.w\" already exists in the archive, not replaced (--overwrite replaces it)\n");
    for (const Names& args :
         {Names{"add", "sfx.bag", "--overwrite", "in/INTRO.wav"}, Names{"add", "sfx.bag", "--adpcm", "in/speech.wav"},
          Names{"rename", "sfx.bag", "boom.w", "bang"}, Names{"remove", "sfx.bag", "theme.mp3"}}) {
        r = Run(args);
        EXPECT_EQ(r.exitCode, 0) << args[0] << ": " << r.err;
    }
    cBAG bag;
    bag.BAGOpen(dir_ / "sfx.bag");
    ASSERT_EQ(bag.BAGGetFileCount(), 3);
    std::vector<std::uint8_t> widened;  // the 8-bit samples of 2 as 16-bit ones, 0x8200
    for (int i = 0; i < 6; ++i) widened.insert(widened.end(), {0x00, 0x82});
    EXPECT_EQ(bag.BAGReadFile(1, false), widened);
    EXPECT_EQ(bag.BAGGetFileName(2), "bang.w");
    EXPECT_EQ(bag.BAGGetFileType(3), 28);
}

// Folders are added as trees under --path; names select every entry they match.
TEST_F(CliTest, EditsPlaceAndSelectEntriesByTheirWords) {
    dir_.write("in/top.txt", "top level");
    dir_.write("in/sub/deeper/leaf.txt", "two levels down");
    ASSERT_EQ(Run({"add", "game.rfh", "--path", "mods/new", "in"}).exitCode, 0);
    EXPECT_NE(Run({"add", "game.rfh", "nowhere.txt"}).err.find("no such file or folder: \"nowhere.txt\""), npos);
    ASSERT_EQ(Run({"remove", "game.rfh", "2", "4"}).exitCode, 0);
    ASSERT_EQ(Run({"rename", "game.rfh", "mods/new/top.txt", "tip.txt"}).exitCode, 0);
    ASSERT_EQ(Run({"move", "game.rfh", "readme.txt", "/docs/en/"}).exitCode, 0);
    EXPECT_EQ(StoredNames(),
              (Names{"docs\\en\\readme.txt", kMusic, "mods\\new\\tip.txt", "mods\\new\\sub\\deeper\\leaf.txt"}));
    EXPECT_EQ(Run({"rename", "game.rfh", "1", "x/y.txt"}).exitCode, 2);
    EXPECT_EQ(Run({"move", "game.rfh", "1", "../up"}).exitCode, 2);

    BuildRfh(dir_ / "dup.rfh", {{"a.txt", ToBytes("first a")}, {"b.txt", ToBytes("bbb b")}, {"A.TXT", ToBytes("2")}});
    ASSERT_EQ(Run({"remove", "dup.rfh", "a.txt"}).exitCode, 0);
    EXPECT_EQ(StoredNames("dup.rfh"), Names{"b.txt"});
}

TEST_F(CliTest, CreateFillsANewPairAndReplacesAnOldOneOnlyWithOverwrite) {
    dir_.write("src/a.txt", "alpha alpha");
    dir_.write("src/maps/ix/c.txt", "charlie charlie");
    CliResult r = Run({"create", "New.RFH", "src"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir_ / "New.RFD"));  // the index's letter case
    EXPECT_EQ(StoredNames("New.RFH"), (Names{"a.txt", "maps\\ix\\c.txt"}));

    const auto before = ReadBytes(dir_ / "game.rfh");
    EXPECT_EQ(Run({"create", "game.rfh"}).exitCode, 1);
    EXPECT_EQ(ReadBytes(dir_ / "game.rfh"), before);
    ASSERT_EQ(Run({"create", "game.rfh", "--overwrite"}).exitCode, 0);
    EXPECT_EQ(fs::file_size(dir_ / "game.rfh") + fs::file_size(dir_ / "game.rfd"), 0u);
}

TEST_F(CliTest, TestNamesTheDamagedEntriesOnly) {
    EXPECT_NE(Run({"test", "game.rfh"}).out.find("4 entries intact"), npos);
    cRFH index;
    index.RFHOpen(dir_ / "game.rfh");
    auto data = ReadBytes(dir_ / "game.rfd");
    const auto middle = static_cast<std::size_t>(index.GetOffSet(2) + index.GetPackedSize(2) / 2);
    for (std::size_t i = middle; i < middle + 8; ++i) data[i] ^= 0x5A;
    dir_.write("game.rfd", data);

    const CliResult r = Run({"test", "game.rfh"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("damaged entry 2 (sounds\\ui\\click.wav)"), npos) << r.err;
}

// A damaged index is listed as far as it goes (and left as it is); anything else
// that is no archive, or no file at all, fails and is not created.
TEST_F(CliTest, WhatIsNoArchiveFailsAndIsNotCreated) {
    auto table = ReadBytes(dir_ / "game.rfh");
    table.resize(table.size() - 5);
    dir_.write("game.rfh", table);
    EXPECT_EQ(Run({"list", "game.rfh"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir_ / "game.rfh"), table);

    dir_.write("notes.txt", "just some notes");
    EXPECT_NE(Run({"add", "notes.txt", "game.rfh"}).err.find("is not an archive"), npos);
    const CliResult r = Run({"add", "lost.rfh", "game.rfh"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no such archive: \"lost.rfh\""), npos) << r.err;
    EXPECT_EQ(dir_.listing(), (Names{"game.rfd", "game.rfh", "notes.txt", "windows"}));
}

TEST_F(CliTest, UsageErrorsExitWithTwoAndHelpPrintsUsage) {
    for (const Names& args :
         {Names{}, Names{"list", "game.rfh", "--bogus"}, Names{"extract", "game.rfh", "--wav", "--raw"}}) {
        const CliResult r = Run(args);
        EXPECT_EQ(r.exitCode, 2) << (args.empty() ? "(nothing)" : args[0]);
        EXPECT_NE(r.err.find("varnok"), npos);
    }
    EXPECT_EQ(Run({"extract", "--help"}).out.rfind("Usage: varnok extract ARCHIVE", 0), 0u);
}

}  // namespace
}  // namespace varnok::test
