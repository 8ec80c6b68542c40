#pragma once

#include <string>
#include <vector>

namespace varnok {

// The kinds of "drive" the folder pane shows, with their images.
enum class DriveType { Fixed, Removable, CdRom };

// One top-level entry of the folder pane: the places a user of this platform
// starts from instead of drive letters.
struct Drive {
    std::string path;  // the folder, with a trailing "/"
    std::string text;  // what the pane shows, in upper case
    DriveType type = DriveType::Fixed;
};

// In this order: the home folder, the file system's root, mounted removable
// media (under /media, /run/media and /mnt), and the drives of the Wine prefix
// ($WINEPREFIX, default ~/.wine) that lead to a folder. The first fixed one, the
// home folder, is the pane's starting point.
std::vector<Drive> DriveList();

// The same list built from given inputs, for tests: the text of /proc/mounts, the
// home folder and the Wine prefix.
std::vector<Drive> DriveList(const std::string& mountsText, const std::string& home, const std::string& winePrefix);

}  // namespace varnok
