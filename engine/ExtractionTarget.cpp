#include "engine/ExtractionTarget.h"

#include <system_error>
#include <vector>

#include "platform/Win1252.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

bool HasDriveLetter(std::string_view part) {
    return part.size() >= 2 && part[1] == ':' &&
           ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
}

// The reason a single component may not be used, or "" when it may.
std::string RefusalOf(std::string_view part) {
    if (part.empty()) return "it has an empty folder name";
    if (part == "." || part == "..") return "it refers to a parent folder";
    if (part.find('/') != std::string_view::npos) return "it holds a \"/\"";
    if (part.find('\0') != std::string_view::npos) return "it holds a NUL character";
    if (HasDriveLetter(part)) return "it names a drive";
    return {};
}

std::vector<std::string_view> SplitAtBackslash(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\\') {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

}  // namespace

ExtractionTarget ResolveExtractionTarget(const fs::path& destination, std::string_view storedFolder,
                                         std::string_view fileName) {
    std::vector<std::string_view> parts;
    if (!storedFolder.empty()) {
        if (storedFolder.front() == '\\') return {std::nullopt, "its path is absolute"};
        std::string_view folder = storedFolder;
        if (folder.back() == '\\') folder.remove_suffix(1);
        parts = SplitAtBackslash(folder);
    }
    if (fileName.empty()) return {std::nullopt, "it has no file name"};
    if (fileName.find('\\') != std::string_view::npos) return {std::nullopt, "its file name holds a \"\\\""};
    parts.push_back(fileName);

    fs::path target = destination;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (auto why = RefusalOf(parts[i]); !why.empty()) return {std::nullopt, why};
        target /= Win1252ToUtf8(parts[i]);
        std::error_code ec;
        if (i + 1 < parts.size() && fs::is_symlink(fs::symlink_status(target, ec))) {
            return {std::nullopt, "a folder on its way is a symbolic link"};
        }
    }
    return {target, {}};
}

void CreateTargetFolders(const fs::path& target) {
    const fs::path folder = target.parent_path();
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) fs::create_directories(folder);
}

}  // namespace varnok
