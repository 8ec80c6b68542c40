#pragma once

#include <filesystem>
#include <string>

namespace varnok {

// The per-user folder that stands in for the Windows folder: $VARNOK_WINDOWS_DIR
// when set, else $XDG_DATA_HOME/varnok2 (~/.local/share/varnok2). The settings
// file and the work folders live below it. It has no trailing separator.
std::string WindowsDir();

// The work folders below it.
std::filesystem::path WorkRoot();          // <WindowsDir>/Temp
std::filesystem::path ViewFolder();        // <WindowsDir>/Temp/TMP0005
std::filesystem::path PlugInWorkFolder();  // <WindowsDir>/Temp/VNK

// True when `path` names an existing regular file. For a folder it is true when
// the folder holds at least one regular file, as a listing of its normal files
// would say.
bool FileExists(const std::string& path);

// The folder of the running executable.
std::filesystem::path ProgramFolder();

}  // namespace varnok
