#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/settings/IniAccess.h"
#include "shell/settings/IniText.h"

namespace varnok {

// One row of the organize dialog: the display name and the archive it opens.
struct FavoriteRow {
    std::string name;
    std::string file;
};

// The Favorites menu's table, kept in section "Favorites" of the settings file as
// "Count" and the numbered keys 1Name, 1File, 2Name, ... Slots count from 1.
class Favorites {
public:
    static constexpr int kMaxFavorites = 1000;

    explicit Favorites(std::filesystem::path settingsFile = SettingsFile());

    int FavCount() const noexcept { return count_; }
    // Slot n of the tables, 1 to 1000; "" for any other n.
    const std::string& FavName(int n) const;
    const std::string& FavFile(int n) const;

    // Run once at start-up. A "Count" that is not a number reads as 0, one outside
    // 0 to 1000 as the nearest of these. The first form reads the settings file;
    // the second takes its values as start-up read them.
    void LoadFavorites();
    void LoadFavorites(const IniValues& stored);

    // Appends a favourite; an empty `file` stands for the open archive,
    // `archivePath`. Writes nName, nFile and Count in that order (an empty name is
    // not written and reads back as ""). False, and nothing changed, when all 1000
    // slots are in use.
    bool AddFavorite(std::string_view name, std::string_view file, std::string_view archivePath);

    // Count becomes 0; the numbered keys stay in the file until later additions
    // overwrite them.
    void ClearFavorites();

    // The organize dialog's Ok: ClearFavorites, then AddFavorite for each remaining
    // row in order, so the favourites are numbered 1 upwards in row order.
    void ReplaceFavorites(const std::vector<FavoriteRow>& rows, std::string_view archivePath);

    // Called after every change of the table, so the window can rebuild its menu.
    void setOnChanged(std::function<void()> changed) { changed_ = std::move(changed); }

private:
    bool append(std::string_view name, std::string_view file, std::string_view archivePath, IniKeyValues& writes);
    void notify() const;

    std::filesystem::path settings_;
    int count_ = 0;
    std::vector<std::string> names_;  // [0] unused: the slots count from 1
    std::vector<std::string> files_;
    std::function<void()> changed_;
};

}  // namespace varnok
