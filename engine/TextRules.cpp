#include "engine/TextRules.h"

#include <stdexcept>

#include "platform/Win1252.h"

namespace varnok {

std::string StripPath(std::string_view path) {
    const auto last = path.find_last_of("\\/");
    if (last == std::string_view::npos || last == 0) return std::string(path);
    return std::string(path.substr(last + 1));
}

std::string NameLines(const std::vector<std::string>& names, std::size_t shown) {
    std::string lines;
    for (std::size_t i = 0; i < names.size() && i < shown; ++i) lines += names[i] + "\n";
    if (names.size() > shown) lines += "and " + std::to_string(names.size() - shown) + " more\n";
    if (!lines.empty()) lines.pop_back();
    return lines;
}

std::string NameTakenMessage(std::int32_t other, const std::string& shown) {
    return "Entry " + std::to_string(other) + " is already stored as \"" + shown +
           "\". Two entries can't share a stored name, so nothing was renamed.";
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

std::string SmallFileRefusal(std::string_view file) { return std::string(file) + ": " + std::string(kSmallFileRule); }

namespace {

char LowerASCII(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWithIgnoringCase(std::string_view text, std::string_view tail) {
    if (tail.size() > text.size()) return false;
    for (std::size_t i = 0; i < tail.size(); ++i) {
        if (LowerASCII(text[text.size() - tail.size() + i]) != LowerASCII(tail[i])) return false;
    }
    return true;
}

// The part of a disk path after its last separator.
std::string_view FileNameOf(std::string_view path) {
    const auto last = path.find_last_of("\\/");
    return last == std::string_view::npos ? path : path.substr(last + 1);
}

bool HasDriveLetter(std::string_view part) {
    return part.size() >= 2 && part[1] == ':' &&
           ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
}

}  // namespace

std::string DataFilePath(std::string_view indexPath) {
    if (FileNameOf(indexPath).size() < 4 || !EndsWithIgnoringCase(indexPath, "rfh")) return {};
    std::string out(indexPath.substr(0, indexPath.size() - 3));
    static constexpr char kLower[] = "rfd";
    for (std::size_t i = 0; i < 3; ++i) {
        const char original = indexPath[indexPath.size() - 3 + i];
        const bool upper = original >= 'A' && original <= 'Z';
        out += upper ? static_cast<char>(kLower[i] - 'a' + 'A') : kLower[i];
    }
    return out;
}

std::string WithArchiveExtension(std::string path, std::string_view extension) {
    if (FileNameOf(path).empty() || EndsWithIgnoringCase(path, extension)) return path;
    // "abc." gets "rfh", not a second dot.
    if (path.back() == '.' && !extension.empty() && extension.front() == '.') extension.remove_prefix(1);
    path.append(extension);
    return path;
}

std::string RefusalOfComponent(std::string_view part) {
    if (part.empty()) return "it has an empty folder name";
    if (part == "." || part == "..") return "it refers to a parent folder";
    if (part.find('/') != std::string_view::npos) return "it holds a \"/\"";
    if (part.find('\0') != std::string_view::npos) return "it holds a NUL character";
    if (HasDriveLetter(part)) return "it names a drive";
    return {};
}

std::string RefusalOfName(std::string_view name) {
    if (name.empty()) return "it has no file name";
    if (name.find('\\') != std::string_view::npos) return "its file name holds a \"\\\"";
    return RefusalOfComponent(name);
}

std::optional<std::string> NormaliseStoredPath(std::string_view path, std::string& why) {
    std::string folder;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("\\/", start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        if (why = RefusalOfComponent(part); !why.empty()) return std::nullopt;
        folder.append(part);
        folder += '\\';
    }
    return folder;
}

std::string StoredFolderFromText(std::string_view utf8) {
    const std::optional<std::string> bytes = Utf8ToWin1252(utf8);
    if (!bytes) {
        throw std::invalid_argument("the stored path \"" + std::string(utf8) +
                                    "\" has characters an archive cannot store");
    }
    std::string why;
    std::optional<std::string> folder = NormaliseStoredPath(*bytes, why);
    if (!folder) throw std::invalid_argument("the stored path \"" + std::string(utf8) + "\" can't be stored: " + why);
    return *std::move(folder);
}

}  // namespace varnok
