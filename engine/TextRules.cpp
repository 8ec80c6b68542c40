#include "engine/TextRules.h"

namespace varnok {

std::string StripPath(std::string_view path) {
    const auto last = path.find_last_of("\\/");
    if (last == std::string_view::npos || last == 0) return std::string(path);
    return std::string(path.substr(last + 1));
}

std::string UpperCaseASCII(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string WithTrailingBackslash(std::string text) {
    if (!text.empty() && text.back() != '\\') text += '\\';
    return text;
}

std::string WithTrailingSlash(std::string text) {
    if (!text.empty() && text.back() != '/') text += '/';
    return text;
}

std::string DataFilePath(std::string_view indexPath) {
    if (indexPath.size() < 3) return {};
    std::string out(indexPath.substr(0, indexPath.size() - 3));
    static constexpr char kLower[] = "rfd";
    for (std::size_t i = 0; i < 3; ++i) {
        const char original = indexPath[indexPath.size() - 3 + i];
        const bool upper = original >= 'A' && original <= 'Z';
        out += upper ? static_cast<char>(kLower[i] - 'a' + 'A') : kLower[i];
    }
    return out;
}

}  // namespace varnok
