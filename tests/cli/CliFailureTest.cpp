// Whatever varnok was asked to do and did not do ends in exit status 1 and a line
// on stderr: entries skipped for a damaged table, files it would not replace, data
// files given where an index belongs, payloads that run past their file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "formats/cMPK.h"
#include "formats/cRFH.h"
#include "formats/io/ByteReader.h"
#include "formats/io/File.h"
#include "tests/cli/CliSupport.h"
#include "tests/support/TempDir.h"

namespace varnok::test {
namespace {
namespace fs = std::filesystem;

class CliFailureTest : public ::testing::Test {
protected:
    CliResult Run(const std::vector<std::string>& args) { return RunCli(dir_.path(), args); }
    TempDir dir_;
};

std::size_t Lines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

// An index row: name length, date, packed flag (0: stored), sizes, offset, name.
std::vector<std::uint8_t> StoredRow(const std::string& name, std::int32_t size, std::int32_t offset) {
    std::vector<std::uint8_t> row(24);
    const std::int32_t fields[] = {static_cast<std::int32_t>(name.size() + 1), cRFH::kNewDateAdded, 0, size, size,
                                   offset};
    for (std::size_t i = 0; i < 6; ++i) PutI32le(&row[4 * i], fields[i]);
    row.insert(row.end(), name.begin(), name.end());
    row.push_back(0);
    return row;
}

std::vector<std::uint8_t> BagHeader(std::int32_t count) {
    std::vector<std::uint8_t> header(16);
    std::copy_n("GABA", 4, header.begin());
    PutI32le(&header[4], 4);
    PutI32le(&header[8], count);
    PutI32le(&header[12], 64);
    return header;
}

// Each case builds an archive that extract-all cannot take out whole; the
// entries it can read still land in out/.
struct SkippingCase {
    const char* what;
    std::function<void(const TempDir&)> build;
    std::string archive;
    std::string said;                        // on stderr
    std::vector<std::string> stillExtracted;  // in out/
};

TEST_F(CliFailureTest, ExtractAllFailsWhenItSkipsEntries) {
    const std::vector<SkippingCase> cases = {
        {"a damaged index",
         [](const TempDir& d) {
             BuildRfh(d / "cut.rfh", {{"a.txt", ToBytes("first entry")}, {"b.txt", ToBytes("second entry")}});
             auto table = ReadBytes(d / "cut.rfh");
             table.resize(table.size() - 3);
             d.write("cut.rfh", table);
         },
         "cut.rfh", "damaged at offset", {"a.txt"}},
        {"an index of more than 5000 entries",
         [](const TempDir& d) {
             std::vector<std::uint8_t> table;
             for (int i = 0; i <= 5000; ++i) {
                 const auto row = StoredRow("f" + std::to_string(i) + ".bin", 1, 0);
                 table.insert(table.end(), row.begin(), row.end());
             }
             d.write("big.rfh", table);
             d.write("big.rfd", "x");
         },
         "big.rfh", "more than 5000 entries", {"f0.bin", "f4999.bin"}},
        {"a BAG of more than 5000 records",
         [](const TempDir& d) {
             auto bytes = BagHeader(5001);
             bytes.resize(16 + 64 * 5001);
             d.write("many.bag", bytes);
         },
         "many.bag", "0 to 5000", {}},
        {"a BAG whose records run past the file",
         [](const TempDir& d) {
             auto bytes = BagHeader(3);
             bytes.resize(16 + 64);
             d.write("short.bag", bytes);
         },
         "short.bag", "cut short", {}},
        {"two flat entries of one name",
         [](const TempDir& d) {
             BuildRfh(d / "twins.rfh", {{"one\\f1.txt", ToBytes("the first")}, {"two\\f1.txt", ToBytes("the second")}});
         },
         "twins.rfh", "f1.txt already exists", {"f1.txt"}},
    };
    for (const SkippingCase& c : cases) {
        SCOPED_TRACE(c.what);
        c.build(dir_);
        fs::remove_all(dir_ / "out");
        const CliResult r = Run({"extract", c.archive, "-o", "out"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_EQ(Lines(r.err), 1u) << r.err;
        for (const std::string& name : c.stillExtracted) EXPECT_TRUE(fs::exists(dir_ / "out" / name)) << name;
    }
    EXPECT_EQ(ReadText(dir_ / "out/f1.txt"), "the first");
}

TEST_F(CliFailureTest, MpkExtractNeverLetsOneEntryReplaceAnotherOfItsName) {
    dir_.write("a/f1.txt", "from a");
    dir_.write("b/f1.txt", "from b");
    dir_.write("c/other.txt", "other");
    ASSERT_EQ(Run({"mpk", "create", "p.pgi", "a/f1.txt", "b/f1.txt", "c/other.txt"}).exitCode, 0);

    CliResult r = Run({"mpk", "extract", "p.pgi", "-o", "out"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Lines(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find("f1.txt"), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(dir_ / "out/f1.txt"), "from a");
    EXPECT_EQ(ReadText(dir_ / "out/other.txt"), "other");

    r = Run({"mpk", "extract", "p.pgi", "-o", "all", "--overwrite"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadText(dir_ / "all/f1.txt"), "from b");
}

TEST_F(CliFailureTest, TestCallsAPayloadThatRunsPastTheDataFileDamaged) {
    BuildRfh(dir_ / "game.rfh", {{"a.txt", ToBytes("first entry")}, {"b.txt", TextLikeBytes(700, 4)}});
    cRFH index;
    index.RFHOpen(dir_ / "game.rfh");
    // The stream still inflates whole; only its length field claims 2 GB more.
    index.SetPackedSize(2, index.GetPackedSize(2) + 0x7FFF0000);
    index.RFHSave(dir_ / "game.rfh");
    const CliResult r = Run({"test", "game.rfh"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.find("intact"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("damaged entry 2 (b.txt): its data ends at offset"), std::string::npos) << r.err;
}

TEST_F(CliFailureTest, EditCommandsRefuseADataFileGivenAsTheArchive) {
    BuildRfh(dir_ / "t.rfh", {{"a.txt", ToBytes("first entry")}});
    dir_.write("file.txt", "to be added");
    const auto index = ReadBytes(dir_ / "t.rfh");
    const auto data = ReadBytes(dir_ / "t.rfd");
    const std::vector<std::vector<std::string>> commands = {
        {"add", "t.rfd", "file.txt"}, {"add", "t.RFD", "file.txt"},  {"remove", "t.Rfd", "1"},
        {"rename", "t.rfd", "1", "b.txt"}, {"move", "t.rfd", "1", "dir"}, {"create", "t.rfd"},
        {"create", "new.RFD", "."}};
    for (const auto& args : commands) {
        const CliResult r = Run(args);
        EXPECT_EQ(r.exitCode, 1) << args[0] << " " << args[1];
        EXPECT_NE(r.err.find("is a data file"), std::string::npos) << r.err;
        EXPECT_EQ(Lines(r.err), 1u) << r.err;
    }
    EXPECT_EQ(ReadBytes(dir_ / "t.rfh"), index);
    EXPECT_EQ(ReadBytes(dir_ / "t.rfd"), data);
    EXPECT_EQ(FileNames(dir_.path()), (std::vector<std::string>{"file.txt", "t.rfd", "t.rfh", "windows"}));
}

TEST_F(CliFailureTest, ListingsShowControlCharactersEscaped) {
    // A literal "\x41" must stay apart from an escaped character.
    BuildRfh(dir_ / "odd.rfh", {{"esc\x1B[2J\x7F.txt", ToBytes("abc")}, {"dir\\x41\tb.txt", ToBytes("abc")}});
    CliResult r = Run({"list", "odd.rfh"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("  esc\\x1B[2J\\x7F.txt\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  dir\\x5Cx41\\x09b.txt\n"), std::string::npos) << r.out;

    dir_.write("src/bell\a\nname.txt", "ring");
    ASSERT_EQ(Run({"mpk", "create", "p.pgi", "src/bell\a\nname.txt"}).exitCode, 0);
    r = Run({"mpk", "list", "p.pgi"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("  bell\\x07\\x0Aname.txt\n"), std::string::npos) << r.out;
    EXPECT_EQ(Lines(r.out), 2u);
}

TEST_F(CliFailureTest, ExtractRemovesStaleStagingFilesButNoLiveOnes) {
    BuildRfh(dir_ / "game.rfh", {{"a.txt", ToBytes("first entry")}});
    const std::vector<std::string> stale = {".a.txt.vnk-k1lled00", ".big.wav.vnk-0123abcd"};
    const std::vector<std::string> others = {".a.txt.vnk-new", "a.txt.vnk-k1lled00", ".b.vnk-ABCDEFGH", ".b.vnk-abc"};
    for (const auto& name : stale) dir_.write(fs::path("out") / name, std::string(5000, 'x'));
    for (const auto& name : others) dir_.write(fs::path("out") / name, "not ours");
    // A second extraction into the same folder, still writing its file.
    ReplacementFile live(dir_ / "out/live.bin");
    live.write(ToBytes("half of it"));
    live.finish();

    const CliResult r = Run({"extract", "game.rfh", "-o", "out"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> expected = others;
    expected.push_back("a.txt");
    expected.push_back(live.stagingPath().filename().string());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FileNames(dir_ / "out"), expected);
    live.commit();
    EXPECT_EQ(ReadText(dir_ / "out/live.bin"), "half of it");
}

}  // namespace
}  // namespace varnok::test
