#include "shell/settings/Favorites.h"

#include <algorithm>

#include "engine/ContinueOnFailure.h"
#include "shell/settings/IniFile.h"

namespace varnok {

namespace {

constexpr const char* kSection = "Favorites";

std::string NameKey(int n) { return std::to_string(n) + "Name"; }
std::string FileKey(int n) { return std::to_string(n) + "File"; }

const std::string kNoFavorite;

}  // namespace

Favorites::Favorites(std::filesystem::path settingsFile)
    : settings_(std::move(settingsFile)), names_(kMaxFavorites + 1), files_(kMaxFavorites + 1) {}

const std::string& Favorites::FavName(int n) const {
    return (n >= 1 && n <= kMaxFavorites) ? names_[static_cast<std::size_t>(n)] : kNoFavorite;
}

const std::string& Favorites::FavFile(int n) const {
    return (n >= 1 && n <= kMaxFavorites) ? files_[static_cast<std::size_t>(n)] : kNoFavorite;
}

void Favorites::notify() const {
    if (changed_) changed_();
}

void Favorites::LoadFavorites() {
    IniText text;
    TryStep([&] { text = IniFile(settings_).load(); });
    LoadFavorites(IniValues(text));
}

void Favorites::LoadFavorites(const IniValues& stored) {
    const auto read = [&](const std::string& key, std::string_view defaultValue) {
        return stored.get(kSection, key, defaultValue);
    };

    const long long count = SettingNumber(read("Count", "0")).value_or(0);
    count_ = static_cast<int>(std::clamp<long long>(count, 0, kMaxFavorites));
    for (int n = 1; n <= count_; ++n) {
        files_[static_cast<std::size_t>(n)] = read(FileKey(n), "");
        names_[static_cast<std::size_t>(n)] = read(NameKey(n), "");
    }
    notify();
}

bool Favorites::append(std::string_view name, std::string_view file, std::string_view archivePath,
                       IniKeyValues& writes) {
    if (count_ >= kMaxFavorites) return false;
    const int n = ++count_;
    const std::string_view stored = file.empty() ? archivePath : file;
    writes.emplace_back(NameKey(n), std::string(name));
    writes.emplace_back(FileKey(n), std::string(stored));
    writes.emplace_back("Count", std::to_string(n));
    names_[static_cast<std::size_t>(n)] = name;
    files_[static_cast<std::size_t>(n)] = stored;
    return true;
}

bool Favorites::AddFavorite(std::string_view name, std::string_view file, std::string_view archivePath) {
    IniKeyValues writes;
    if (!append(name, file, archivePath, writes)) return false;
    INIWriteKeys(settings_, kSection, writes);
    notify();
    return true;
}

void Favorites::ClearFavorites() {
    count_ = 0;
    INIWriteKeys(settings_, kSection, {{"Count", "0"}});
    notify();
}

void Favorites::ReplaceFavorites(const std::vector<FavoriteRow>& rows, std::string_view archivePath) {
    // One replacement of the file and one menu rebuild for the whole list.
    IniKeyValues writes{{"Count", "0"}};
    count_ = 0;
    for (const FavoriteRow& row : rows) {
        if (!append(row.name, row.file, archivePath, writes)) break;
    }
    INIWriteKeys(settings_, kSection, writes);
    notify();
}

}  // namespace varnok
