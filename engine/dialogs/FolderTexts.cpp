#include "engine/dialogs/FolderTexts.h"

#include <algorithm>

#include "engine/TextRules.h"

namespace varnok {

std::string PickedDiskFolder(std::string picked) {
    if (const auto nul = picked.find('\0'); nul != std::string::npos) picked.erase(nul);
    return WithTrailingSlash(std::move(picked));
}

std::string TypedStoredFolder(std::string typed) {
    std::string why;
    if (auto folder = NormaliseStoredPath(typed, why)) return *std::move(folder);
    // Left for the engine to refuse, saying why; only a removal can still match it,
    // in an archive some other program wrote.
    std::replace(typed.begin(), typed.end(), '/', '\\');
    return WithTrailingBackslash(std::move(typed));
}

}  // namespace varnok
