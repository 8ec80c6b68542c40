// The archive commands of varnok, run as the real executable on archives built
// with the format classes.
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

const std::string kMusic = "sounds\\m\xFCsic.txt";  // Windows-1252 ü
const std::string kMusicUtf8 = "sounds\\m\xC3\xBCsic.txt";
const std::string kQuoted = "data\\say \"hi\".txt";

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        entries_ = {{"readme.txt", ToBytes("Hello, Arrakis!\r\n")},
                    {"sounds\\ui\\click.wav", PseudoRandomBytes(3000, 1)},
                    {kMusic, TextLikeBytes(900, 2)},
                    {kQuoted, ToBytes("hi there")}};
        BuildRfh(dir_ / "game.rfh", entries_);
    }

    CliResult Run(const std::vector<std::string>& args) { return RunCli(dir_.path(), args); }

    std::vector<ReadEntry> Reread(const std::string& index = "game.rfh") {
        bool ok = false;
        auto entries = ReadRfhIndependently(dir_ / index, ok);
        EXPECT_TRUE(ok);
        return entries;
    }

    std::vector<std::string> StoredNames(const std::string& index = "game.rfh") {
        std::vector<std::string> names;
        for (const ReadEntry& e : Reread(index)) names.push_back(e.storedName);
        return names;
    }

    TempDir dir_;
    std::vector<TestEntry> entries_;
};

TEST_F(CliTest, ListPrintsByteCountsAndFullNamesInUtf8) {
    const CliResult r = Run({"list", "game.rfh"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("Original size"), std::string::npos);
    EXPECT_NE(r.out.find(" 3000 "), std::string::npos) << r.out;  // not "2.92 KB"
    EXPECT_NE(r.out.find("  sounds\\ui\\click.wav\n"), std::string::npos);
    EXPECT_NE(r.out.find("  " + kMusicUtf8 + "\n"), std::string::npos);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 5);
}

TEST_F(CliTest, ListJsonCarriesTheIndexFieldsWithEscapedNames) {
    cRFH index;
    index.RFHOpen(dir_ / "game.rfh");
    const CliResult r = Run({"list", "game.rfh", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string expected = "{\"number\":4,\"name\":\"data\\\\say \\\"hi\\\".txt\",\"path\":\"data\\\\\","
                                 "\"packed\":true,\"packed_size\":" + std::to_string(index.GetPackedSize(4)) +
                                 ",\"original_size\":8,\"offset\":" + std::to_string(index.GetOffSet(4)) +
                                 ",\"date_added\":1006363084}";
    EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"name\":\"" + std::string("sounds\\\\m\xC3\xBCsic.txt") + "\""), std::string::npos);
    EXPECT_EQ(r.out.rfind("{\"archive\":\"game.rfh\",\"kind\":\"rfh\",\"entries\":[", 0), 0u);
}

TEST_F(CliTest, ListJsonEscapesControlCharactersAndBrokenUtf8) {
    BuildRfh(dir_ / "odd\xFF.rfh", {{"tab\there\x01.txt", ToBytes("abc")}});
    const CliResult r = Run({"list", "odd\xFF.rfh", "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("\"archive\":\"odd\xEF\xBF\xBD.rfh\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"name\":\"tab\\there\\u0001.txt\""), std::string::npos) << r.out;
}

TEST_F(CliTest, ExtractSelectsByNumberAndByNameWithEitherSeparatorAndAnyCase) {
    const CliResult r =
        Run({"extract", "game.rfh", "1", "SOUNDS/UI/Click.WAV", "sounds\\M\xC3\xBCSIC.txt", "-o", "out"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(FileNames(dir_ / "out"), (std::vector<std::string>{"click.wav", "m\xC3\xBCsic.txt", "readme.txt"}));
    EXPECT_EQ(ReadBytes(dir_ / "out/click.wav"), entries_[1].bytes);
    EXPECT_EQ(ReadBytes(dir_ / "out/m\xC3\xBCsic.txt"), entries_[2].bytes);
}

TEST_F(CliTest, ExtractWithAnUnknownEntryFailsAndWritesNothing) {
    const CliResult r = Run({"extract", "game.rfh", "1", "nothing.txt", "9", "-o", "out"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no entry \"nothing.txt\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no entry \"9\""), std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "out"));
}

TEST_F(CliTest, ExtractAllKeepsStoredFoldersOnlyWhenAsked) {
    ASSERT_EQ(Run({"extract", "game.rfh", "-o", "flat"}).exitCode, 0);
    EXPECT_EQ(FileNames(dir_ / "flat").size(), 4u);
    ASSERT_EQ(Run({"extract", "game.rfh", "--keep-paths", "-o", "tree"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir_ / "tree/sounds/ui/click.wav"), entries_[1].bytes);
    EXPECT_EQ(ReadBytes(dir_ / "tree/data/say \"hi\".txt"), entries_[3].bytes);
    EXPECT_EQ(ReadBytes(dir_ / "tree/readme.txt"), entries_[0].bytes);
}

TEST_F(CliTest, ExtractKeepsExistingFilesUnlessOverwriteIsGiven) {
    dir_.write("out/readme.txt", "mine");
    CliResult r = Run({"extract", "game.rfh", "readme.txt", "-o", "out"});
    EXPECT_EQ(r.exitCode, 1) << r.err;  // asked for, not done
    EXPECT_NE(r.err.find("readme.txt already exists"), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(dir_ / "out/readme.txt"), "mine");

    r = Run({"extract", "game.rfh", "readme.txt", "-o", "out", "--overwrite"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir_ / "out/readme.txt"), entries_[0].bytes);
}

TEST_F(CliTest, OnATerminalTheOverwriteQuestionIsAskedPerFile) {
    dir_.write("out/readme.txt", "mine");
    dir_.write("out/click.wav", "mine too");
    const CliResult r = RunCliOnTerminal(dir_.path(), {"extract", "game.rfh", "1", "2", "-o", "out"}, "n\nyes\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '?'), 2) << r.err;
    EXPECT_EQ(ReadText(dir_ / "out/readme.txt"), "mine");
    EXPECT_EQ(ReadBytes(dir_ / "out/click.wav"), entries_[1].bytes);
}

TEST_F(CliTest, BagEntriesAreWrittenRawOrAsWaveAsTheFlagsSay) {
    const std::vector<std::uint8_t> samples = PseudoRandomBytes(400, 3);
    const BAGWriteEntry entries[] = {{"intro", 22050, 2, 7, samples}, {"theme", 44100, 37, 0, ToBytes("ID3 mp3")}};
    cBAG::BAGWrite(dir_ / "sfx.bag", entries);

    const CliResult json = Run({"list", "sfx.bag", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    EXPECT_NE(json.out.find("{\"number\":1,\"name\":\"intro.w\",\"size\":400,\"offset\":144,\"frequency\":22050,"
                            "\"type\":2,\"extra_info\":7}"),
              std::string::npos)
        << json.out;

    ASSERT_EQ(Run({"extract", "sfx.bag", "intro.w", "-o", "plain"}).exitCode, 0);  // no terminal: raw
    EXPECT_EQ(ReadBytes(dir_ / "plain/intro.w"), samples);
    ASSERT_EQ(Run({"extract", "sfx.bag", "-o", "raw", "--raw"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir_ / "raw/intro.w"), samples);
    ASSERT_EQ(Run({"extract", "sfx.bag", "-o", "wav", "--wav"}).exitCode, 0);
    const std::vector<std::uint8_t> wave = ReadBytes(dir_ / "wav/intro.wav");
    ASSERT_EQ(wave.size(), 44 + samples.size());
    EXPECT_EQ(std::string(wave.begin(), wave.begin() + 4), "RIFF");
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), wave.begin() + 44));
    EXPECT_EQ(ReadText(dir_ / "wav/theme.mp3"), "ID3 mp3");  // not a wave type: never converted
}

std::vector<std::uint8_t> WaveFile(unsigned channels, std::uint32_t rate, unsigned bits, std::size_t bytes,
                                   std::uint8_t value) {
    const auto header = audio::PcmWaveHeader(channels, rate, bits, bytes);
    std::vector<std::uint8_t> out(header.size() + bytes, value);
    std::copy(header.begin(), header.end(), out.begin());
    return out;
}

TEST_F(CliTest, BagArchivesTakeAddsReplacementsRemovalsAndRenames) {
    const BAGWriteEntry entries[] = {{"intro", 22050, 2, 0, ToBytes("abcd")},
                                     {"theme", 44100, 37, 0, ToBytes("ID3 mp3")}};
    cBAG::BAGWrite(dir_ / "sfx.bag", entries);
    dir_.write("in/boom.wav", WaveFile(1, 22050, 16, 8, 1));
    dir_.write("in/INTRO.wav", WaveFile(2, 11025, 8, 6, 2));
    dir_.write("in/speech.wav", WaveFile(1, 22050, 16, 4000, 0));

    // Without --overwrite the file of an existing name is refused, the rest added.
    CliResult r = Run({"add", "sfx.bag", "in/boom.wav", "in/INTRO.wav"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "varnok: \"intro.w\" already exists in the archive, not replaced (--overwrite replaces it)\n");
    r = Run({"add", "sfx.bag", "--overwrite", "in/INTRO.wav"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    r = Run({"add", "sfx.bag", "--adpcm", "in/speech.wav"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    r = Run({"rename", "sfx.bag", "boom.w", "bang"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    r = Run({"remove", "sfx.bag", "theme.mp3"});
    EXPECT_EQ(r.exitCode, 0) << r.err;

    cBAG bag;
    bag.BAGOpen(dir_ / "sfx.bag");
    ASSERT_EQ(bag.BAGGetFileCount(), 3);
    EXPECT_EQ(bag.BAGGetFileName(1), "intro.w");
    EXPECT_EQ(bag.BAGGetFileFrequency(1), 11025);
    EXPECT_EQ(bag.BAGGetFileType(1), 3);
    EXPECT_EQ(bag.BAGReadFile(1, false), std::vector<std::uint8_t>(6, 2));
    EXPECT_EQ(bag.BAGGetFileName(2), "bang.w");
    EXPECT_EQ(bag.BAGReadFile(2, false), std::vector<std::uint8_t>(8, 1));
    EXPECT_EQ(bag.BAGGetFileName(3), "speech.cmp");
    EXPECT_EQ(bag.BAGGetFileType(3), 28);
}

TEST_F(CliTest, AddReplacesAnEntryOfTheSameStoredNameOnlyWithOverwrite) {
    dir_.write("in/README.TXT", "a new read-me, longer than the old one was");
    const auto before = Reread();
    CliResult r = Run({"add", "game.rfh", "in/README.TXT"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "varnok: \"readme.txt\" already exists in the archive, not replaced (--overwrite replaces it)\n");
    EXPECT_EQ(Reread().size(), before.size());
    EXPECT_EQ(Reread()[0].bytes, entries_[0].bytes);

    r = Run({"add", "game.rfh", "--overwrite", "in/README.TXT"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto after = Reread();  // read independently: every payload where its entry says
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after[0].storedName, "readme.txt");
    EXPECT_EQ(after[0].bytes, ToBytes("a new read-me, longer than the old one was"));
    for (std::size_t i = 1; i < after.size(); ++i) EXPECT_EQ(after[i].bytes, entries_[i].bytes) << i;
}

TEST_F(CliTest, AddPutsFilesAndFolderTreesUnderTheirStoredPaths) {
    dir_.write("in/top.txt", "top level");
    dir_.write("in/sub/inner.txt", "one level down");
    dir_.write("in/sub/deeper/leaf.txt", "two levels down");
    dir_.write("single.txt", "on its own");
    const CliResult r = Run({"add", "game.rfh", "--path", "mods/new", "in", "single.txt"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto entries = Reread();
    ASSERT_EQ(entries.size(), 8u);
    EXPECT_EQ(entries[4].storedName, "mods\\new\\top.txt");
    EXPECT_EQ(entries[5].storedName, "mods\\new\\sub\\inner.txt");
    EXPECT_EQ(entries[6].storedName, "mods\\new\\sub\\deeper\\leaf.txt");
    EXPECT_EQ(entries[7].storedName, "mods\\new\\single.txt");
    EXPECT_EQ(std::string(entries[6].bytes.begin(), entries[6].bytes.end()), "two levels down");
}

TEST_F(CliTest, AddRefusesMissingSourcesAndTinyFiles) {
    const auto before = ReadBytes(dir_ / "game.rfh");
    CliResult r = Run({"add", "game.rfh", "nowhere.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no such file or folder: \"nowhere.txt\""), std::string::npos) << r.err;

    dir_.write("tiny.txt", "ab");
    r = Run({"add", "game.rfh", "tiny.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("tiny.txt: Can't add a empty file."), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(dir_ / "game.rfh"), before);

    r = Run({"add", "game.rfh", "."});  // the folder holding the archive itself
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(ReadBytes(dir_ / "game.rfh"), before);
}

TEST_F(CliTest, RemoveDropsEveryEntryANameSelectsAndKeepsTheRestIntact) {
    BuildRfh(dir_ / "dup.rfh",
             {{"a.txt", ToBytes("first a")}, {"b.txt", ToBytes("bbb b")}, {"A.TXT", ToBytes("second a")}});
    const CliResult r = Run({"remove", "dup.rfh", "a.txt"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto entries = Reread("dup.rfh");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].storedName, "b.txt");
    EXPECT_EQ(entries[0].bytes, ToBytes("bbb b"));

    ASSERT_EQ(Run({"remove", "game.rfh", "2", "4"}).exitCode, 0);
    EXPECT_EQ(StoredNames(), (std::vector<std::string>{"readme.txt", kMusic}));
    EXPECT_EQ(Reread()[1].bytes, entries_[2].bytes);
}

TEST_F(CliTest, RenameAndMoveChangeOnlyTheNamedPart) {
    ASSERT_EQ(Run({"rename", "game.rfh", "sounds/ui/click.wav", "tick.wav"}).exitCode, 0);
    ASSERT_EQ(Run({"move", "game.rfh", "readme.txt", "/docs/en/"}).exitCode, 0);
    ASSERT_EQ(Run({"move", "game.rfh", "4", ""}).exitCode, 0);
    EXPECT_EQ(StoredNames(),
              (std::vector<std::string>{"docs\\en\\readme.txt", "sounds\\ui\\tick.wav", kMusic, "say \"hi\".txt"}));
    EXPECT_EQ(Reread()[1].bytes, entries_[1].bytes);

    EXPECT_EQ(Run({"rename", "game.rfh", "1", "x/y.txt"}).exitCode, 2);
    EXPECT_EQ(Run({"move", "game.rfh", "1", "../up"}).exitCode, 2);
}

TEST_F(CliTest, CreateFillsANewPairFromAFolderTree) {
    dir_.write("src/a.txt", "alpha alpha");
    dir_.write("src/maps/b.txt", "bravo bravo");
    dir_.write("src/maps/ix/c.txt", "charlie charlie");
    const CliResult r = Run({"create", "New.RFH", "src"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir_ / "New.RFD"));  // the index's letter case
    EXPECT_EQ(StoredNames("New.RFH"), (std::vector<std::string>{"a.txt", "maps\\b.txt", "maps\\ix\\c.txt"}));
    EXPECT_EQ(Run({"test", "New.RFH"}).exitCode, 0);
}

TEST_F(CliTest, CreateRefusesAnExistingArchiveUnlessOverwriteIsGiven) {
    const auto before = ReadBytes(dir_ / "game.rfh");
    CliResult r = Run({"create", "game.rfh"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("already exists"), std::string::npos);
    EXPECT_EQ(ReadBytes(dir_ / "game.rfh"), before);

    r = Run({"create", "game.rfh", "--overwrite"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(fs::file_size(dir_ / "game.rfh"), 0u);
    EXPECT_EQ(fs::file_size(dir_ / "game.rfd"), 0u);

    ASSERT_EQ(Run({"create", "fresh"}).exitCode, 0);
    EXPECT_TRUE(fs::exists(dir_ / "fresh.rfh") && fs::exists(dir_ / "fresh.rfd"));
}

TEST_F(CliTest, TestNamesTheDamagedEntriesOnly) {
    CliResult r = Run({"test", "game.rfh"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("4 entries intact"), std::string::npos);

    cRFH index;
    index.RFHOpen(dir_ / "game.rfh");
    auto data = ReadBytes(dir_ / "game.rfd");
    const std::size_t middle = static_cast<std::size_t>(index.GetOffSet(2) + index.GetPackedSize(2) / 2);
    for (std::size_t i = middle; i < middle + 8; ++i) data[i] ^= 0x5A;
    dir_.write("game.rfd", data);

    r = Run({"test", "game.rfh"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("damaged entry 2 (sounds\\ui\\click.wav)"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("entry 1 "), std::string::npos);
    EXPECT_EQ(r.err.find("entry 3 "), std::string::npos);
    EXPECT_NE(r.err.find("1 of 4 entries are damaged"), std::string::npos);
}

TEST_F(CliTest, DamagedIndexIsListedAsFarAsItGoesButNeverRewritten) {
    auto table = ReadBytes(dir_ / "game.rfh");
    table.resize(table.size() - 5);  // cuts the last entry's name
    dir_.write("game.rfh", table);
    CliResult r = Run({"list", "game.rfh"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("damaged at offset"), std::string::npos) << r.err;
    EXPECT_EQ(Run({"test", "game.rfh"}).exitCode, 1);
    dir_.write("more.txt", "more text");
    r = Run({"add", "game.rfh", "more.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(ReadBytes(dir_ / "game.rfh"), table);

    dir_.write("notes.txt", "just some notes");  // not an archive at all
    r = Run({"add", "notes.txt", "more.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("is not an archive"), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(dir_ / "notes.txt"), "just some notes");
    EXPECT_FALSE(fs::exists(dir_ / "notes.rfd"));
}

TEST_F(CliTest, AMissingArchiveIsAnErrorAndIsNotCreated) {
    for (const char* command : {"list", "extract", "test", "remove", "add"}) {
        std::vector<std::string> args{command, "lost.rfh"};
        if (std::string(command) == "remove" || std::string(command) == "add") args.push_back("game.rfh");
        const CliResult r = Run(args);
        EXPECT_EQ(r.exitCode, 1) << command;
        EXPECT_NE(r.err.find("no such archive: \"lost.rfh\""), std::string::npos) << command << ": " << r.err;
    }
    EXPECT_FALSE(fs::exists(dir_ / "lost.rfh"));
    EXPECT_FALSE(fs::exists(dir_ / "lost.rfd"));
}

TEST_F(CliTest, UsageErrorsExitWithTwoAndHelpWithZero) {
    const std::vector<std::vector<std::string>> wrong = {
        {}, {"unpack", "game.rfh"}, {"list"}, {"list", "game.rfh", "--bogus"}, {"list", "a.rfh", "b.rfh"},
        {"extract", "game.rfh", "--wav", "--raw"}, {"extract", "game.rfh", "-o"}, {"rename", "game.rfh", "1"},
        {"mpk"}, {"mpk", "unzip", "x.pgi"}, {"list", "game.rfh", "--json=yes"}};
    for (const auto& args : wrong) {
        const CliResult r = Run(args);
        EXPECT_EQ(r.exitCode, 2) << (args.empty() ? "(nothing)" : args[0]);
        EXPECT_NE(r.err.find("varnok"), std::string::npos);
    }
    CliResult r = Run({"extract", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("Usage: varnok extract ARCHIVE", 0), 0u);
    r = Run({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("mpk create"), std::string::npos);
}

}  // namespace
}  // namespace varnok::test
