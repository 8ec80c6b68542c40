// The settings the program keeps: the first start, the recent archives and the favorites.
#include <gtest/gtest.h>

#include "platform/Folders.h"
#include "shell/settings/Favorites.h"
#include "shell/settings/FirstStart.h"
#include "shell/settings/IniFile.h"
#include "shell/settings/RecentFiles.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

using test::ReadText;
using test::TempDir;

std::optional<std::string> Stored(std::string_view key) { return IniFile(SettingsFile()).read("Favorites", key); }

TEST(SettingsFavorites, OrganizingRenumbersAndLeavesTheOldKeysBehind) {
    TempDir dir;
    Favorites favorites;
    int changes = 0;
    favorites.setOnChanged([&] { ++changes; });
    EXPECT_TRUE(favorites.AddFavorite("Models", "", "/data/3DDATA.rfh"));  // the open archive
    EXPECT_EQ(ReadText(SettingsFile()), "[Favorites]\n1Name=Models\n1File=/data/3DDATA.rfh\nCount=1\n");
    favorites.AddFavorite("Sounds", "/data/sound.bag", "/data/3DDATA.rfh");
    favorites.AddFavorite("Maps", "/data/maps.rfh", "/data/3DDATA.rfh");

    favorites.ReplaceFavorites({{"Models", "/data/3DDATA.rfh"}, {"Maps", "/data/maps.rfh"}}, "");
    EXPECT_EQ(changes, 4);
    EXPECT_EQ(Stored("Count"), "2");
    EXPECT_EQ(Stored("2Name"), "Maps");
    EXPECT_EQ(Stored("3Name"), "Maps");  // left in the file, unread

    Favorites restarted;
    restarted.LoadFavorites();
    ASSERT_EQ(restarted.FavCount(), 2);
    EXPECT_EQ(restarted.FavFile(1), "/data/3DDATA.rfh");
    EXPECT_EQ(restarted.FavName(2), "Maps");

    restarted.ReplaceFavorites({}, "");  // every row removed
    EXPECT_EQ(restarted.FavCount(), 0);
    EXPECT_EQ(Stored("Count"), "0");
    EXPECT_EQ(Stored("1Name"), "Models");
}

TEST(SettingsFavorites, StoredCountIsKeptWithinTheThousandSlots) {
    TempDir dir;
    const auto countAfterLoading = [&](const std::string& count) {
        dir.write("windows/varnok2.ini", "[Favorites]\nCount=" + count + "\n");
        Favorites favorites;
        favorites.LoadFavorites();
        return favorites.FavCount();
    };
    EXPECT_EQ(countAfterLoading("many"), 0);
    EXPECT_EQ(countAfterLoading("-4"), 0);
    EXPECT_EQ(countAfterLoading("5000"), 1000);

    Favorites full;
    full.LoadFavorites();
    EXPECT_FALSE(full.AddFavorite("one too many", "/x.rfh", ""));
    EXPECT_EQ(full.FavCount(), 1000);
    EXPECT_EQ(ReadText(SettingsFile()), "[Favorites]\nCount=5000\n");
}

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

namespace fs = std::filesystem;

const std::string kOldSettings = "[Position]\r\nWidth=9000\r\n[RecentFiles]\r\n1=C:\\Games\\3DDATA.RFH\r\n";

// Asked only while the old settings are there alone: No copies nothing, Yes copies them unchanged.
TEST(SettingsFirstStart, AskedOnlyWhenTheOldSettingsAreAloneAndYesCopiesThem) {
    TempDir dir;
    std::vector<std::string> asked;
    bool answer = false;
    const auto ask = [&](const std::string& question) {
        asked.push_back(question);
        return answer;
    };
    EXPECT_FALSE(OfferSettingsImport(ask));  // nothing to import

    dir.write("windows/trevlan.ini", kOldSettings);
    EXPECT_TRUE(OfferSettingsImport(ask));
    EXPECT_FALSE(FileExists(SettingsFile().string()));
    EXPECT_EQ(asked.at(0),
              "This is the first time your runned Varnok 2 on this system, and the old settings of Varnok 1.xx "
              "has detected\r\nDo you want to import the Varnok 1.xx settings to Varnok 2?");
    answer = true;
    EXPECT_TRUE(OfferSettingsImport(ask));
    EXPECT_EQ(ReadText(SettingsFile()), kOldSettings);

    EXPECT_FALSE(OfferSettingsImport(ask));
    EXPECT_EQ(asked.size(), 2u);

    fs::remove(SettingsFile());
    StampVersion();
    EXPECT_EQ(ReadText(SettingsFile()), "[Version]\nVersion=2.00\nNumber=200\nBuild=77\n");
    EXPECT_FALSE(OfferSettingsImport(ask)) << "a stamped file is not a first start";
}

}  // namespace
}  // namespace varnok
