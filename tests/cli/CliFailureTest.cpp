// Whatever varnok was asked to do and did not do ends in exit status 1 and a line
// on stderr: entries skipped for a damaged table, data files given
// where an index belongs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "formats/io/File.h"
#include "tests/cli/CliSupport.h"
#include "tests/support/TempDir.h"

namespace varnok::test {
namespace {
namespace fs = std::filesystem;

using CliFailureTest = CliFixture;

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A damaged index is taken out as far as it goes, and the command still fails.
TEST_F(CliFailureTest, ExtractAllFailsWhenItSkipsEntries) {
    BuildRfh(dir_ / "cut.rfh", {{"a.txt", ToBytes("first entry")}, {"b.txt", ToBytes("second entry")}});
    auto table = ReadBytes(dir_ / "cut.rfh");
    table.resize(table.size() - 3);
    dir_.write("cut.rfh", table);
    const CliResult r = Run({"extract", "cut.rfh", "-o", "out"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("damaged at offset"), std::string::npos) << r.err;
    EXPECT_EQ(Lines(r.err), 1u) << r.err;
    EXPECT_TRUE(fs::exists(dir_ / "out/a.txt"));
}

TEST_F(CliFailureTest, EditCommandsRefuseADataFileGivenAsTheArchive) {
    BuildRfh(dir_ / "t.rfh", {{"a.txt", ToBytes("first entry")}});
    dir_.write("file.txt", "to be added");
    const auto index = ReadBytes(dir_ / "t.rfh");
    const auto data = ReadBytes(dir_ / "t.rfd");
    const std::vector<std::vector<std::string>> commands = {
        {"add", "t.RFD", "file.txt"}, {"remove", "t.Rfd", "1"}, {"create", "t.rfd"}, {"create", "new.RFD", "."}};
    for (const auto& args : commands) {
        const CliResult r = Run(args);
        EXPECT_EQ(r.exitCode, 1) << args[0] << " " << args[1];
        EXPECT_NE(r.err.find("is a data file"), std::string::npos) << r.err;
        EXPECT_EQ(Lines(r.err), 1u) << r.err;
    }
    EXPECT_EQ(ReadBytes(dir_ / "t.rfh"), index);
    EXPECT_EQ(ReadBytes(dir_ / "t.rfd"), data);
    EXPECT_EQ(dir_.listing(), (std::vector<std::string>{"file.txt", "t.rfd", "t.rfh", "windows"}));
}

// A name is never enough to delete a file by: files in the output folder that
// look like staging files of ours, a live writer's included, stay as they are.
TEST_F(CliFailureTest, ExtractLeavesFilesThatLookLikeOursAlone) {
    BuildRfh(dir_ / "game.rfh", {{"a.txt", ToBytes("first entry")}});
    const std::vector<std::string> lookalikes = {".a.txt.vnk-k1lled00", ".big.wav.vnk-0123abcd", ".a.txt.vnk-new"};
    for (const auto& name : lookalikes) dir_.write(fs::path("out") / name, "a file of the user's");
    ReplacementFile live(dir_ / "out/live.bin");  // a second extraction, still writing
    live.write(ToBytes("half of it"));
    live.finish();

    const CliResult r = Run({"extract", "game.rfh", "-o", "out"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const auto& name : lookalikes) EXPECT_EQ(ReadText(dir_ / "out" / name), "a file of the user's") << name;
    EXPECT_EQ(ReadText(dir_ / "out/a.txt"), "first entry");
    live.commit();
    EXPECT_EQ(ReadText(dir_ / "out/live.bin"), "half of it");
}

}  // namespace
}  // namespace varnok::test
