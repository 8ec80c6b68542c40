#include <gtest/gtest.h>

#include "shell/settings/RecentFiles.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

using test::ReadText;
using test::TempDir;

// The menu as the user sees it: the captions of the visible entries, top down.
std::vector<std::string> Menu(const RecentFiles& recent) {
    std::vector<std::string> shown;
    for (int n = 1; n <= RecentFiles::kEntries; ++n) {
        if (recent.entry(n).visible) shown.push_back(recent.entry(n).caption);
    }
    return shown;
}

using Captions = std::vector<std::string>;

TEST(SettingsRecentFiles, NewPathsPushTheOldestOutAndReopeningOnlyReordersTheMenu) {
    TempDir dir;
    RecentFiles recent;
    int changes = 0;
    recent.setOnChanged([&] { ++changes; });

    recent.AddRecentFile("/a.rfh");
    EXPECT_TRUE(recent.separatorVisible());
    for (const char* path : {"/b.rfh", "/c.rfh", "/d.rfh", "/e.bag"}) recent.AddRecentFile(path);
    EXPECT_EQ(Menu(recent), Captions({"/e.bag", "/d.rfh", "/c.rfh", "/b.rfh"}));
    const std::string stored = ReadText(SettingsFile());
    EXPECT_EQ(stored, "[RecentFiles]\n1=/e.bag\n2=/d.rfh\n3=/c.rfh\n4=/b.rfh\n");

    recent.AddRecentFile("/C.RFH");
    EXPECT_EQ(Menu(recent), Captions({"/C.RFH", "/e.bag", "/d.rfh", "/b.rfh"}));
    EXPECT_EQ(ReadText(SettingsFile()), stored);
    EXPECT_EQ(changes, 6);

    RecentFiles restarted;
    restarted.LoadRecentFiles();
    EXPECT_EQ(Menu(restarted), Captions({"/e.bag", "/d.rfh", "/c.rfh", "/b.rfh"}));
}

TEST(SettingsRecentFiles, SlotOneTakesANewLetterCaseOfAToZOnly) {
    TempDir dir;
    RecentFiles recent;
    recent.AddRecentFile("/games/emperor/3ddata.rfh");
    recent.AddRecentFile("/GAMES/Emperor/3DDATA.RFH");
    EXPECT_EQ(Menu(recent), Captions({"/GAMES/Emperor/3DDATA.RFH"}));
    EXPECT_EQ(ReadText(SettingsFile()), "[RecentFiles]\n1=/GAMES/Emperor/3DDATA.RFH\n");

    // "é" and "É" differ beyond a-z: another archive.
    recent.AddRecentFile("/GAMES/\xC3\xA9.rfh");
    EXPECT_EQ(recent.FindRecentFile("/games/\xC3\x89.rfh"), 0);
    EXPECT_EQ(recent.FindRecentFile("/games/\xC3\xA9.RFH"), 1);
}

TEST(SettingsRecentFiles, WithoutKeyOneNeitherSlotOneNorTheSeparatorShows) {
    TempDir dir;
    dir.write("windows/varnok2.ini", "[RecentFiles]\r\n2=/two.rfh\r\n3=/three.rfh\r\n");
    RecentFiles recent;
    recent.LoadRecentFiles();
    EXPECT_FALSE(recent.separatorVisible());
    EXPECT_EQ(Menu(recent), Captions({"/two.rfh", "/three.rfh"}));
    EXPECT_EQ(recent.FindRecentFile("/THREE.rfh"), 3);
}

}  // namespace
}  // namespace varnok
