#include "cli/PathRules.h"

#include <utility>

#include "cli/Arguments.h"
#include "cli/Output.h"
#include "engine/TextRules.h"

namespace varnok::cli {

std::string StoredFolderFromUser(const std::string& typed) {
    std::string why;
    if (auto folder = NormaliseStoredPath(typed, why)) return *std::move(folder);
    throw UsageError("the stored path " + Quoted(typed) + " can't be stored: " + why);
}

void CheckNewFileName(const std::string& name) {
    if (name.empty()) throw UsageError("the new name is empty");
    if (name.find_first_of("/\\") != std::string::npos) {
        throw UsageError("the new name " + Quoted(name) + " holds a separator; \"varnok move\" changes the path");
    }
    if (const std::string why = RefusalOfName(name); !why.empty()) {
        throw UsageError("the new name " + Quoted(name) + " can't be stored: " + why);
    }
}

}  // namespace varnok::cli
