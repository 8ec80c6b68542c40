#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "shell/settings/IniAccess.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempDir;

std::string Get(const fs::path& file, std::string_view section, std::string_view key, std::string_view def = "") {
    return INIAccess(file, "GET", section, key, std::nullopt, def);
}

TEST(IniAccess, ChecksItsArgumentsInOrderAndNeverWritesAnEmptyValue) {
    TempDir dir;
    const fs::path file = dir / "varnok2.ini";
    EXPECT_EQ(INIAccess(file, "", "", "", std::nullopt, "d"), "ERROR MODE");
    EXPECT_EQ(INIAccess(file, "GET", "", "", std::nullopt, "d"), "ERROR Secname");
    EXPECT_EQ(INIAccess(file, "GET", "View", "", std::nullopt, "d"), "ERROR Keyname");
    EXPECT_EQ(INIAccess(file, "WRITE", "View", "ToolBar", std::nullopt, ""), "ERROR KeyValue");
    EXPECT_FALSE(fs::exists(file));

    const std::string before = "[View]\r\nToolBar=False\r\n";
    dir.write("varnok2.ini", before);
    EXPECT_EQ(INIAccess(file, "WRITE", "View", "ToolBar", std::string(), ""), "ERROR KeyValue");
    EXPECT_EQ(INIAccess(file, "DELETE", "View", "ToolBar", "True", "d"), "");
    EXPECT_EQ(ReadText(file), before);
}

TEST(IniAccess, ModesInAnyLetterCaseTypedValuesAndWholeLongValues) {
    TempDir dir;
    const fs::path file = dir / "varnok2.ini";
    const std::string path = "/home/someone/Games/Emperor Battle for Dune/data/model/3DDATA0001.rfh";
    EXPECT_EQ(INIAccess(file, "write", "View", "StatusBar", false, ""), "");
    EXPECT_EQ(INIAccess(file, "Write", "Position", "Left", -15, ""), "");
    EXPECT_EQ(INIAccess(file, "WRITE", "Position", "Top", "120", ""), "");  // text, not a pointer taken as True
    EXPECT_EQ(INIAccess(file, "WRITE", "RecentFiles", "1", path, ""), "");
    EXPECT_EQ(ReadText(file),
              "[View]\nStatusBar=False\n[Position]\nLeft=-15\nTop=120\n[RecentFiles]\n1=" + path + "\n");
    EXPECT_EQ(INIAccess(file, "get", "view", "statusbar", std::nullopt, "True"), "False");
    EXPECT_EQ(Get(file, "View", "ToolBar", "True"), "True");
    EXPECT_EQ(Get(file, "RecentFiles", "1"), path);  // longer than 60 characters, not cut
}

TEST(IniAccess, EveryCallSeesTheFileAsItIsNow) {
    TempDir dir;
    const fs::path file = dir / "varnok2.ini";
    fs::create_symlink(file, dir / "linked.ini");
    INIAccess(file, "WRITE", "Size", "Splitter", "3000", "");
    // Written through another path: the link stays a link to the one file.
    INIAccess(dir / "linked.ini", "WRITE", "Size", "Splitter", "3100", "");
    EXPECT_EQ(Get(file, "Size", "Splitter"), "3100");
    EXPECT_TRUE(fs::is_symlink(dir / "linked.ini"));
    EXPECT_EQ(Get(dir / "VARNOK2.INI", "Size", "Splitter"), "3100");

    dir.write("varnok2.ini", "[Size]\r\nSplitter = 2500 \r\n");  // copied into place
    EXPECT_EQ(Get(dir / "linked.ini", "Size", "Splitter"), "2500");
    EXPECT_EQ(dir.listing(), std::vector<std::string>({"linked.ini", "varnok2.ini", "windows"}));  // no staging files
}

TEST(IniAccess, ADamagedOrUnreadableFileNeverFails) {
    TempDir dir;
    const fs::path file = dir.write("varnok2.ini", test::PseudoRandomBytes(4096, 7));
    EXPECT_EQ(Get(file, "View", "ToolBar", "True"), "True");
    EXPECT_EQ(INIAccess(file, "WRITE", "View", "ToolBar", "False", ""), "");
    EXPECT_EQ(Get(file, "View", "ToolBar", "True"), "False");  // the garbage is kept, the key added

    fs::create_directories(dir / "folder.ini" / "inside");
    EXPECT_EQ(Get(dir / "folder.ini", "View", "ToolBar", "True"), "True");
    EXPECT_EQ(INIAccess(dir / "folder.ini", "WRITE", "View", "ToolBar", "False", ""), "");
    EXPECT_TRUE(fs::is_directory(dir / "folder.ini" / "inside"));

    if (::geteuid() == 0) return;  // permissions do not bind root
    const fs::path locked = dir.write("locked.ini", "[View]\nToolBar=False\n");
    fs::permissions(locked, fs::perms::none);
    EXPECT_EQ(Get(locked, "View", "ToolBar", "True"), "True");
    EXPECT_EQ(INIAccess(locked, "WRITE", "View", "StatusBar", "False", ""), "");
    fs::permissions(locked, fs::perms::owner_read);
    EXPECT_EQ(ReadText(locked), "[View]\nToolBar=False\n");  // not replaced by what was not seen
}

}  // namespace
}  // namespace varnok
