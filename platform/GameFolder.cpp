#include "platform/GameFolder.h"

#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/Folders.h"
#include "platform/Process.h"

#include "platform/AsciiCase.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

bool IsFolder(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

// The entry of `folder` called `name`: the exact name when it is there, else the
// first, in sorted order, that differs from it only in letter case.
std::optional<fs::path> EntryIgnoringCase(const fs::path& folder, std::string_view name) {
    std::error_code ec;
    fs::path exact = folder / name;
    if (fs::exists(fs::symlink_status(exact, ec))) return exact;
    std::optional<std::string> best;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (SameName(entry, name) && (!best || entry < *best)) best = entry;
    }
    if (!best) return std::nullopt;
    return folder / *best;
}

std::vector<std::string_view> WindowsParts(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\' || path[i] == '/') {
            if (i > start) parts.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

// A folder named by an "InstallPath" text of the program's own store.
std::optional<fs::path> StoreFolder(const std::string& installPath, const fs::path& winePrefix) {
    const auto folderText = InstallFolderText(installPath);
    if (!folderText) return std::nullopt;
    if (installPath.front() == '/') {
        fs::path folder = folderText->empty() ? fs::path("/") : fs::path(*folderText);
        if (IsFolder(folder)) return folder;
        return std::nullopt;
    }
    return MapWindowsPath(*folderText, winePrefix);
}

}  // namespace

fs::path WinePrefix() {
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return prefix;
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/") / ".wine";
}

std::optional<std::string> InstallFolderText(std::string_view installPath) {
    const auto separator = installPath.find_last_of("\\/");
    if (separator == std::string_view::npos) return std::nullopt;
    return std::string(installPath.substr(0, separator));
}

std::optional<fs::path> MapWindowsPath(std::string_view windowsPath, const fs::path& winePrefix) {
    if (windowsPath.size() < 2 || windowsPath[1] != ':') return std::nullopt;
    const char letter = LowerAscii(windowsPath[0]);
    if (letter < 'a' || letter > 'z') return std::nullopt;
    if (windowsPath.size() > 2 && windowsPath[2] != '\\' && windowsPath[2] != '/') return std::nullopt;

    const fs::path dosdevices = winePrefix / "dosdevices";
    std::optional<fs::path> drive = EntryIgnoringCase(dosdevices, std::string{letter, ':'});
    if (!drive && letter == 'c') drive = winePrefix / "drive_c";
    if (!drive || !IsFolder(*drive)) return std::nullopt;
    std::error_code ec;
    fs::path mapped = fs::canonical(*drive, ec);
    if (ec) mapped = *drive;

    for (const std::string_view part : WindowsParts(windowsPath.substr(2))) {
        if (part == ".") continue;
        const auto entry = EntryIgnoringCase(mapped, part);
        if (!entry) return std::nullopt;
        mapped = *entry;
    }
    if (!IsFolder(mapped)) return std::nullopt;
    return mapped;
}

std::optional<fs::path> WineGameFolder(const fs::path& winePrefix) {
    const RegFile system = RegFile::Load(winePrefix / "system.reg");
    for (const std::string_view key : {kGameKey64, kGameKey}) {
        const RegValue* value = system.Value(key, kInstallPathValue);
        if (!value) continue;
        const auto folderText = InstallFolderText(TextOf(*value));
        if (!folderText) continue;
        if (auto folder = MapWindowsPath(*folderText, winePrefix)) return folder;
    }
    return std::nullopt;
}

GameFolder FindGameFolder(const fs::path& registryFile, const fs::path& winePrefix, const fs::path& programFolder) {
    std::string installPath;
    if (ReadRegValue(registryFile, RegRoot::LocalMachine, kGameKey, kInstallPathValue, installPath) &&
        !installPath.empty()) {
        if (auto folder = StoreFolder(installPath, winePrefix)) return {*folder, GameFolderSource::RegistryStore};
    }
    if (auto folder = WineGameFolder(winePrefix)) return {*folder, GameFolderSource::WinePrefix};
    return {programFolder, GameFolderSource::ProgramFolder};
}

fs::path GetGameFolder() { return FindGameFolder(RegistryFile(), WinePrefix(), ProgramFolder()).folder; }

fs::path FindNameInFolder(const fs::path& folder, std::string_view name) {
    if (auto entry = EntryIgnoringCase(folder, name)) return *entry;
    return folder / name;
}

std::string LaunchGame(const fs::path& gameFolder) {
    if (!IsFolder(gameFolder)) return "Can't find the game folder " + gameFolder.string() + ".";
    const fs::path game = FindNameInFolder(gameFolder, kGameExecutable);
    std::error_code ec;
    if (!fs::is_regular_file(game, ec)) {
        return "Can't find " + std::string(kGameExecutable) + " in " + gameFolder.string() +
               ". Is Emperor: Battle for Dune installed in the Wine prefix?";
    }
    // The game loads its data relative to the folder it is started in.
    return StartFailureText(StartDetached(game, {}, gameFolder), game);
}

std::string LaunchGame() { return LaunchGame(GetGameFolder()); }

}  // namespace varnok
