#include <gtest/gtest.h>

#include <stdexcept>

#include "shell/settings/IniText.h"

namespace varnok {
namespace {

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
