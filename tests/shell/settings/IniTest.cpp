// The settings file: its text kept byte for byte around the values changed, and the calls that read and write it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "shell/settings/IniAccess.h"
#include "shell/settings/IniText.h"
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

TEST(IniText, ReadsTrimmedValuesWithNamesInAnyLetterCase) {
    const IniText ini("\xEF\xBB\xBF[Position]\r\n  Width \t=  a = b \t\r\nEmpty=\r\n;Top=1\r\n[View]\r\nTop=2\r\n");
    EXPECT_EQ(ini.value("POSITION", "width"), "a = b");
    EXPECT_EQ(ini.value("position", "Empty"), "");
    EXPECT_EQ(ini.value("Position", "Top"), std::nullopt);  // a comment, and View's key is not Position's
    EXPECT_EQ(ini.value("Size", "Width"), std::nullopt);
}

TEST(IniText, ReplacesAValueInPlaceAndKeepsEveryOtherByte) {
    const std::string before = "; written by hand\r\n[Position]\r\nWidth = 100  \r\njunk line\r\n[View]\r\nWidth=7";
    IniText ini(before);
    ini.set("position", "WIDTH", "12000");
    EXPECT_EQ(ini.bytes(), "; written by hand\r\n[Position]\r\nWidth = 12000\r\njunk line\r\n[View]\r\nWidth=7");
    ini.set("View", "width", "8");  // the last line, without a line end
    EXPECT_EQ(ini.bytes(), "; written by hand\r\n[Position]\r\nWidth = 12000\r\njunk line\r\n[View]\r\nWidth=8");
}

TEST(IniText, PutsANewKeyAfterTheLastKeyLineOfItsSectionAndANewSectionLast) {
    IniText ini("[A]\r\nx=1\r\n\r\n; about B\r\n[B]\r\ny=2\r\n");
    ini.set("a", "z", "3");
    EXPECT_EQ(ini.bytes(), "[A]\r\nx=1\r\nz=3\r\n\r\n; about B\r\n[B]\r\ny=2\r\n");

    IniText bare("[A]\n\n[B]\n");
    bare.set("A", "k", "v");
    EXPECT_EQ(bare.bytes(), "[A]\nk=v\n\n[B]\n");

    IniText unterminated("[A]\nx=1");
    unterminated.set("A", "y", "2");
    unterminated.set("B", "k", "v");  // a new section goes at the end
    EXPECT_EQ(unterminated.bytes(), "[A]\nx=1\ny=2\n[B]\nk=v\n");
}

// IniValues must find what IniText finds, in every text: the start-up reads through
// the one and every other read through the other.
TEST(IniValues, FindsWhatTheTextFinds) {
    const char* const texts[] = {
        "\xEF\xBB\xBF[Position]\r\n  Width \t=  a = b \t\r\nEmpty=\r\n;Top=1\r\n[View]\r\nTop=2\r\n",
        "orphan=1\n[A]\nk=first\nK=second\n[a]\nk=third\nonly=in the second A\n[B]\nk=b\n",
        "[ Spaced Name ]\n key with blanks = v \n[Open\n=no name\n[x]y\nz=1",
        "",
    };
    const std::pair<const char*, const char*> lookups[] = {
        {"position", "WIDTH"},
        {"Position", "Empty"},
        {"Position", "Top"},
        {"", "orphan"},
        {"A", "k"},
        {"A", "only"},
        {"Spaced Name", "key with blanks"},
        {"open", ""},
        {"X", "z"},
        {"Size", "Width"},
        {"Position\nWidth", ""},
    };
    for (const char* bytes : texts) {
        const IniText text(bytes);
        const IniValues values(text);
        for (const auto& [section, key] : lookups) {
            EXPECT_EQ(values.value(section, key), text.value(section, key)) << bytes << " [" << section << "] " << key;
        }
    }
    const IniValues values(IniText("[View]\nToolBar=\nStatusBar=False\n"));
    EXPECT_EQ(values.get("view", "ToolBar", "True"), "True");  // empty reads as the default
    EXPECT_EQ(values.get("View", "StatusBar", "True"), "False");
    EXPECT_EQ(values.get("View", "Missing", "d"), "d");
}

TEST(IniText, RefusesWhatWouldBreakTheFileApart) {
    IniText ini("[A]\nk=1\n");
    EXPECT_THROW(ini.set("A", "k", "two\r\nlines"), std::invalid_argument);
    EXPECT_THROW(ini.set("A", "k=x", "1"), std::invalid_argument);
    EXPECT_THROW(ini.set("A]x", "k", "1"), std::invalid_argument);
    EXPECT_THROW(ini.set("A", "[B]", "1"), std::invalid_argument);
    EXPECT_EQ(ini.bytes(), "[A]\nk=1\n");
}

}  // namespace
}  // namespace varnok
