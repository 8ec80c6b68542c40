#include "engine/ExtractionTarget.h"

#include <system_error>
#include <vector>

#include "engine/TextRules.h"
#include "platform/Win1252.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

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
    if (auto why = RefusalOfName(fileName); !why.empty()) return {std::nullopt, why};
    parts.push_back(fileName);

    fs::path target = destination;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (auto why = RefusalOfComponent(parts[i]); !why.empty()) return {std::nullopt, why};
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
