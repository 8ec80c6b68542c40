#include "platform/Drives.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace varnok {
namespace fs = std::filesystem;

namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// /proc/mounts writes a space inside a field as "\040".
std::string UnescapeMountField(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto isOctal = [&](std::size_t k) { return field[k] >= '0' && field[k] <= '7'; };
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
            out += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<Drive> RemovableMedia(const std::string& mountsText) {
    std::vector<Drive> media;
    std::istringstream lines(mountsText);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string device, mountPoint, fsType;
        if (!(fields >> device >> mountPoint >> fsType)) continue;
        mountPoint = UnescapeMountField(mountPoint);
        if (!StartsWith(mountPoint, "/media/") && !StartsWith(mountPoint, "/run/media/") &&
            !StartsWith(mountPoint, "/mnt/")) {
            continue;
        }
        const bool disc = fsType == "iso9660" || fsType == "udf";
        media.push_back({WithSlash(mountPoint),
                         Upper(fs::path(mountPoint).filename().string()) + " (" + mountPoint + ")",
                         disc ? DriveType::CdRom : DriveType::Removable});
    }
    return media;
}

std::vector<Drive> WineDrives(const std::string& winePrefix) {
    std::vector<Drive> drives;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(winePrefix) / "dosdevices", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != 2 || name[1] != ':') continue;
        std::error_code linkError;
        const fs::path target = fs::canonical(it->path(), linkError);
        if (linkError || !fs::is_directory(target, linkError)) continue;
        drives.push_back({WithSlash(target.string()), Upper(name) + " (WINE)", DriveType::Fixed});
    }
    std::sort(drives.begin(), drives.end(), [](const Drive& a, const Drive& b) { return a.text < b.text; });
    return drives;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::vector<Drive> DriveList(const std::string& mountsText, const std::string& home, const std::string& winePrefix) {
    std::vector<Drive> drives;
    if (!home.empty()) drives.push_back({WithSlash(home), "HOME (" + home + ")", DriveType::Fixed});
    drives.push_back({"/", "ROOT (/)", DriveType::Fixed});
    for (auto& d : RemovableMedia(mountsText)) drives.push_back(std::move(d));
    for (auto& d : WineDrives(winePrefix)) drives.push_back(std::move(d));
    return drives;
}

std::vector<Drive> DriveList() {
    const char* home = std::getenv("HOME");
    const char* prefix = std::getenv("WINEPREFIX");
    const std::string homeText = home ? home : "";
    const std::string wine = prefix && *prefix ? prefix : homeText + "/.wine";
    return DriveList(ReadAll("/proc/mounts"), homeText, wine);
}

}  // namespace varnok
