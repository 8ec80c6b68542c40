// varnok mpk: packages built, listed, tested and unpacked through the executable.
#include <gtest/gtest.h>

#include "tests/cli/CliSupport.h"
#include "tests/support/TempDir.h"

namespace varnok::test {
namespace {
namespace fs = std::filesystem;
constexpr auto npos = std::string::npos;
using Names = std::vector<std::string>;

using CliMpkTest = CliFixture;

// Names with controls are escaped in the listings; one entry never replaces another
// of its name, nor a package another, without --overwrite.
TEST_F(CliMpkTest, PackagesRoundTripAndReplaceNothingWithoutOverwrite) {
    const auto plugin = PseudoRandomBytes(2000, 9);
    dir_.write("src/plugin.exe", plugin);
    dir_.write("src/bell\a\nname.ini", "[Open]\r\nCommand=run\r\n");
    dir_.write("b/plugin.exe", "from b");
    ASSERT_EQ(Run({"mpk", "create", "p.pgi", "src/plugin.exe", "src/bell\a\nname.ini", "b/plugin.exe"}).exitCode, 0);
    CliResult r = Run({"mpk", "list", "p.pgi"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(" 2000 "), npos) << r.out;
    EXPECT_NE(r.out.find("  bell\\x07\\x0Aname.ini\n"), npos) << r.out;
    EXPECT_EQ(Run({"mpk", "test", "p.pgi"}).exitCode, 0);

    r = Run({"mpk", "extract", "p.pgi", "-o", "out"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(ReadBytes(dir_ / "out/plugin.exe"), plugin);
    EXPECT_EQ(Run({"mpk", "extract", "p.pgi", "-o", "out", "--overwrite"}).exitCode, 0);
    EXPECT_EQ(ReadText(dir_ / "out/plugin.exe"), "from b");
    EXPECT_EQ(Run({"mpk", "create", "p.pgi", "b/plugin.exe"}).exitCode, 1);
}

TEST_F(CliMpkTest, BrokenOrMissingPackagesFail) {
    dir_.write("a.txt", "package me");
    ASSERT_EQ(Run({"mpk", "create", "p.pgi", "a.txt"}).exitCode, 0);
    auto bytes = ReadBytes(dir_ / "p.pgi");
    bytes.pop_back();
    dir_.write("p.pgi", bytes);
    const std::pair<Names, const char*> cases[] = {{{"mpk", "test", "p.pgi"}, "does not match"},
                                                   {{"mpk", "extract", "gone.pgi"}, "no such package"},
                                                   {{"mpk", "create", "q.pgi", "a.txt", "absent.txt"}, ""}};
    for (const auto& [args, said] : cases) {
        const CliResult r = Run(args);
        EXPECT_EQ(r.exitCode, 1) << args[2];
        EXPECT_NE(r.err.find(said), npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(dir_ / "q.pgi"));
}

}  // namespace
}  // namespace varnok::test
