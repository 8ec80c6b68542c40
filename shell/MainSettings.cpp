#include "shell/MainSettings.h"

#include "shell/settings/FirstStart.h"
#include "shell/settings/IniAccess.h"

namespace varnok {

MainSettings::MainSettings() : file_(SettingsFile()), recent_(file_), favorites_(file_) {}

std::string MainSettings::Get(const std::string& section, const std::string& key,
                              const std::string& defaultValue) const {
    return INIAccess(file_, "GET", section, key, std::nullopt, defaultValue);
}

void MainSettings::Write(const std::string& section, const std::string& key, const std::string& value) const {
    INIAccess(file_, "WRITE", section, key, value, "");
}

void MainSettings::OfferImport(const std::function<bool(const std::string&)>& askYesNo) const {
    OfferSettingsImport(askYesNo);
}

IniValues MainSettings::StampVersion() const { return varnok::StampVersion(file_); }

std::string MainSettings::FavName(int n) const {
    return n >= 1 && n <= favorites_.FavCount() ? favorites_.FavName(n) : std::string();
}

std::string MainSettings::FavoriteFile(int n) const {
    return n >= 1 && n <= favorites_.FavCount() ? favorites_.FavFile(n) : std::string();
}

void MainSettings::AddFavorite(const std::string& name, const std::string& file, const std::string& archivePath) {
    favorites_.AddFavorite(name, file, archivePath);
}

void MainSettings::ReplaceFavorites(const std::vector<std::pair<std::string, std::string>>& rows) {
    std::vector<FavoriteRow> favorites;
    favorites.reserve(rows.size());
    for (const auto& [name, file] : rows) favorites.push_back({name, file});
    favorites_.ReplaceFavorites(favorites, "");
}

}  // namespace varnok
