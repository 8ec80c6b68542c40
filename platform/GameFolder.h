#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Registry.h"

namespace varnok {

// Where the game's installer leaves the full path of Emperor.exe.
inline constexpr std::string_view kGameKey = "SOFTWARE\\Westwood\\Emperor";
inline constexpr std::string_view kGameKey64 = "SOFTWARE\\Wow6432Node\\Westwood\\Emperor";
inline constexpr std::string_view kInstallPathValue = "InstallPath";
inline constexpr std::string_view kGameExecutable = "Emperor.exe";

// The game's folder, from the first of these that names an existing folder:
// 1. "InstallPath" under HKEY_LOCAL_MACHINE\SOFTWARE\Westwood\Emperor in the
//    program's own registry store, as a Windows path in the Wine prefix or a path
//    of this system;
// 2. the same value in the Wine prefix's system.reg, under Wow6432Node first, as
//    a 64-bit prefix keeps a 32-bit installer's keys there;
// 3. the program folder.
// The folder is the value without its last part, the name of the executable.
std::filesystem::path GetGameFolder();

enum class GameFolderSource { RegistryStore, WinePrefix, ProgramFolder };

struct GameFolder {
    std::filesystem::path folder;
    GameFolderSource source = GameFolderSource::ProgramFolder;
};

// GetGameFolder over given places, for tests.
GameFolder FindGameFolder(const std::filesystem::path& registryFile, const std::filesystem::path& winePrefix,
                          const std::filesystem::path& programFolder);

// $WINEPREFIX, or ~/.wine.
std::filesystem::path WinePrefix();

// The folder that "InstallPath" in the prefix's system.reg leads to, Wow6432Node
// first; nothing when neither key has a value that names an existing folder.
std::optional<std::filesystem::path> WineGameFolder(const std::filesystem::path& winePrefix);

// A Windows path ("C:\Westwood\Emperor") on this system: the drive letter through
// the prefix's dosdevices (with drive_c standing in for a missing c:), then every
// part matched without regard to letter case, as Windows would. Nothing when a part
// is not there, or the path has no drive letter.
std::optional<std::filesystem::path> MapWindowsPath(std::string_view windowsPath,
                                                    const std::filesystem::path& winePrefix);

// The folder part of an "InstallPath" text, which names the executable:
// everything before its last "\" (or "/"). Nothing when it has no separator.
std::optional<std::string> InstallFolderText(std::string_view installPath);

// `name` in `folder`, matched without regard to letter case when there is no file
// of exactly that name; `folder / name` when there is none at all.
std::filesystem::path FindNameInFolder(const std::filesystem::path& folder, std::string_view name);

// The Launch command: starts Emperor.exe of the game folder (through wine) in that
// folder and returns at once. "" when it started, or the message for the user.
std::string LaunchGame();
std::string LaunchGame(const std::filesystem::path& gameFolder);

}  // namespace varnok
