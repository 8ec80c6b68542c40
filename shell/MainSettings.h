#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "shell/settings/Favorites.h"
#include "shell/settings/RecentFiles.h"

namespace varnok {

// The main window's view of the settings file: single keys, the recent files and
// the favourites, all kept in "varnok2.ini" in the Windows folder.
class MainSettings {
public:
    MainSettings();

    std::string Get(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    void Write(const std::string& section, const std::string& key, const std::string& value) const;

    void OfferImport(const std::function<bool(const std::string& question)>& askYesNo) const;
    // Stamps the version and gives the file's values for the start-up's reads.
    IniValues StampVersion() const;

    RecentFiles& Recent() { return recent_; }
    void LoadRecentFiles(const IniValues& stored) { recent_.LoadRecentFiles(stored); }
    void AddRecentFile(const std::string& path) { recent_.AddRecentFile(path); }

    void LoadFavorites(const IniValues& stored) { favorites_.LoadFavorites(stored); }
    int FavCount() const { return favorites_.FavCount(); }
    std::string FavName(int n) const;
    std::string FavoriteFile(int n) const;
    void AddFavorite(const std::string& name, const std::string& file, const std::string& archivePath);
    void ReplaceFavorites(const std::vector<std::pair<std::string, std::string>>& rows);

    void setOnRecentChanged(std::function<void()> changed) { recent_.setOnChanged(std::move(changed)); }
    void setOnFavoritesChanged(std::function<void()> changed) { favorites_.setOnChanged(std::move(changed)); }

private:
    std::filesystem::path file_;
    RecentFiles recent_;
    Favorites favorites_;
};

}  // namespace varnok
