#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varnok {

// The desktop's side of the file associations: a shared-mime-info package that
// tells the desktop what .rfh and .bag files are, and a desktop entry that offers
// this program for them, both in the user's data folder.

inline constexpr std::string_view kRfhMimeType = "application/x-emperor-rfh";
inline constexpr std::string_view kRfdMimeType = "application/x-emperor-rfd";
inline constexpr std::string_view kBagMimeType = "application/x-emperor-bag";

// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
std::filesystem::path DataHome();

// The desktop's shared data folders, most important first: the absolute paths of
// $XDG_DATA_DIRS, or /usr/local/share and /usr/share when it names none.
std::vector<std::filesystem::path> DataDirs();

// <dataHome>/mime/packages/varnok2.xml and <dataHome>/applications/varnok2.desktop.
std::filesystem::path MimePackageFile(const std::filesystem::path& dataHome);
std::filesystem::path DesktopEntryFile(const std::filesystem::path& dataHome);

// The package: "*.rfh", "*.rfd" and "*.bag" in any letter case, and a BAG file also
// by the "GABA" at its start, whatever its name. An installation ships the same
// text (dist/varnok2-mime.xml).
std::string MimePackageText();

// The entry, whose command opens the file it is given in `executable`. It stays
// out of the menus: it is there for "Open with" and double-clicks.
std::string DesktopEntryText(const std::filesystem::path& executable);

// One argument of a desktop entry's Exec key, quoted so that the desktop passes it
// on unchanged: spaces, quotes, "$", "`", "\" and "%" in a path included.
std::string DesktopExecArgument(std::string_view argument);

// True when `executable` was installed together with a desktop entry and a MIME
// package that the desktop already reads: one of `dataDirs` holds both, and the
// executable lies inside that folder's prefix (<prefix>/share beside
// <prefix>/bin/varnok2 or <prefix>/libexec/varnok2/varnok2). A program run from its
// build tree, or from a copy anywhere else, is not.
bool InstalledWithDesktopFiles(const std::filesystem::path& executable,
                               const std::vector<std::filesystem::path>& dataDirs);

struct DesktopAssociationResult {
    bool packageWritten = false;
    bool entryWritten = false;
    bool mimeDatabaseRefreshed = false;     // update-mime-database was started
    bool desktopDatabaseRefreshed = false;  // update-desktop-database was started
};

// Writes the package and the entry when their bytes differ from what is there,
// then starts update-mime-database <dataHome>/mime and update-desktop-database
// <dataHome>/applications, found in `searchPath`, without waiting for them. A
// database is refreshed when its file changed or its cache is missing or older
// than the file; a missing tool is skipped. Raises when a file cannot be written.
DesktopAssociationResult InstallDesktopAssociation(const std::filesystem::path& dataHome,
                                                   const std::filesystem::path& executable,
                                                   std::string_view searchPath);

}  // namespace varnok
