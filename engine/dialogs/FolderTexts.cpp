#include "engine/dialogs/FolderTexts.h"

#include <algorithm>

#include "engine/TextRules.h"

namespace varnok {

std::string PickedDiskFolder(std::string picked) {
    if (const auto nul = picked.find('\0'); nul != std::string::npos) picked.erase(nul);
    return WithTrailingSlash(std::move(picked));
}

std::string TypedStoredFolder(std::string typed) {
    std::replace(typed.begin(), typed.end(), '/', '\\');
    return WithTrailingBackslash(std::move(typed));
}

}  // namespace varnok
