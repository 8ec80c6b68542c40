#include "cli/PathRules.h"

#include <algorithm>

#include "cli/Arguments.h"
#include "cli/Output.h"

namespace varnok::cli {

namespace {

bool NamesDrive(const std::string& part) {
    return part.size() >= 2 && part[1] == ':' &&
           ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
}

}  // namespace

std::string StoredFolderFromUser(const std::string& typed) {
    std::string text = typed;
    std::replace(text.begin(), text.end(), '/', '\\');
    std::string folder;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\\', start);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(start, end - start);
        start = end + 1;
        if (part.empty()) continue;  // doubled, leading and trailing separators
        if (part == "." || part == ".." || NamesDrive(part) || part.find('\0') != std::string::npos) {
            throw UsageError("the stored path " + Quoted(typed) + " may not hold \".\", \"..\" or a drive");
        }
        folder += part + '\\';
    }
    return folder;
}

void CheckNewFileName(const std::string& name) {
    if (name.empty()) throw UsageError("the new name is empty");
    if (name.find_first_of("/\\") != std::string::npos) {
        throw UsageError("the new name " + Quoted(name) + " holds a separator; \"varnok move\" changes the path");
    }
    if (name == "." || name == "..") throw UsageError("the new name may not be \".\" or \"..\"");
}

}  // namespace varnok::cli
