#include <gtest/gtest.h>

#include "shell/settings/Favorites.h"
#include "shell/settings/IniFile.h"
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

}  // namespace
}  // namespace varnok
