// varnok mpk: packages built, listed, tested and unpacked through the executable.
#include <gtest/gtest.h>

#include "tests/cli/CliSupport.h"
#include "tests/support/TempDir.h"

namespace varnok::test {
namespace {
namespace fs = std::filesystem;

class CliMpkTest : public ::testing::Test {
protected:
    CliResult Run(const std::vector<std::string>& args) { return RunCli(dir_.path(), args); }
    TempDir dir_;
};

TEST_F(CliMpkTest, CreateListTestAndExtractRoundTrip) {
    const auto plugin = PseudoRandomBytes(2000, 9);
    dir_.write("src/plugin.exe", plugin);
    dir_.write("src/plugin.ini", "[Open]\r\nCommand=run\r\n");
    ASSERT_EQ(Run({"mpk", "create", "p.pgi", "src/plugin.exe", "src/plugin.ini"}).exitCode, 0);

    CliResult r = Run({"mpk", "list", "p.pgi"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(" 2000 "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  plugin.ini\n"), std::string::npos);
    r = Run({"mpk", "list", "p.pgi", "--json"});
    EXPECT_NE(r.out.find("{\"number\":2,\"name\":\"plugin.ini\",\"size\":21,"), std::string::npos) << r.out;

    r = Run({"mpk", "test", "p.pgi"});
    EXPECT_EQ(r.exitCode, 0) << r.err;

    ASSERT_EQ(Run({"mpk", "extract", "p.pgi", "-o", "out"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir_ / "out/plugin.exe"), plugin);
    EXPECT_EQ(ReadText(dir_ / "out/plugin.ini"), "[Open]\r\nCommand=run\r\n");
}

// Extracting over existing files is with the CLI's failure tests.
TEST_F(CliMpkTest, AnExistingPackageIsReplacedOnlyWithOverwrite) {
    dir_.write("a.txt", "package me");
    ASSERT_EQ(Run({"mpk", "create", "p.pgi", "a.txt"}).exitCode, 0);
    CliResult r = Run({"mpk", "create", "p.pgi", "a.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("already exists"), std::string::npos) << r.err;
    dir_.write("b.txt", "package me too");
    EXPECT_EQ(Run({"mpk", "create", "p.pgi", "b.txt", "--overwrite"}).exitCode, 0);
    EXPECT_NE(Run({"mpk", "list", "p.pgi"}).out.find("b.txt"), std::string::npos);
}

TEST_F(CliMpkTest, BrokenOrMissingPackagesFail) {
    dir_.write("a.txt", "package me");
    ASSERT_EQ(Run({"mpk", "create", "p.pgi", "a.txt"}).exitCode, 0);
    auto bytes = ReadBytes(dir_ / "p.pgi");
    bytes.pop_back();
    dir_.write("p.pgi", bytes);
    CliResult r = Run({"mpk", "test", "p.pgi"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("does not match"), std::string::npos) << r.err;

    dir_.write("junk.pgi", "not a package at all");
    r = Run({"mpk", "list", "junk.pgi"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("is not a package"), std::string::npos) << r.err;

    for (const char* sub : {"list", "test", "extract"}) {
        r = Run({"mpk", sub, "gone.pgi"});
        EXPECT_EQ(r.exitCode, 1) << sub;
        EXPECT_NE(r.err.find("no such package"), std::string::npos) << sub << ": " << r.err;
    }
    r = Run({"mpk", "create", "q.pgi", "a.txt", "absent.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(fs::exists(dir_ / "q.pgi"));
}

}  // namespace
}  // namespace varnok::test
