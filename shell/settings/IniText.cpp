#include "shell/settings/IniText.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_set>

namespace varnok {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// A file without any line end yet gets the platform's own.
constexpr std::string_view kNewFileLineEnd = "\n";

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string_view s) {
    std::string lower(s);
    for (char& c : lower) c = LowerAscii(c);
    return lower;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

enum class LineKind { Section, Key, Other };

// One line of the file: its text is [begin, contentEnd), its line end (if any) runs
// to `end`.
struct Line {
    std::size_t begin = 0;
    std::size_t contentEnd = 0;
    std::size_t end = 0;
    LineKind kind = LineKind::Other;
    std::string_view name;       // section or key name, trimmed
    std::size_t valueBegin = 0;  // key lines: just after the "="

    bool hasLineEnd() const { return end > contentEnd; }
};

Line ReadLine(std::string_view bytes, std::size_t begin) {
    Line line;
    line.begin = begin;
    const auto newline = bytes.find('\n', begin);
    line.end = newline == std::string_view::npos ? bytes.size() : newline + 1;
    line.contentEnd = newline == std::string_view::npos ? bytes.size() : newline;
    if (line.contentEnd > begin && bytes[line.contentEnd - 1] == '\r' && newline != std::string_view::npos) {
        --line.contentEnd;
    }
    const std::string_view content = bytes.substr(begin, line.contentEnd - begin);
    const std::string_view text = Trim(content);
    if (!text.empty() && text.front() == '[') {
        line.kind = LineKind::Section;
        const auto close = text.find(']');
        line.name = Trim(close == std::string_view::npos ? text.substr(1) : text.substr(1, close - 1));
    } else if (!text.empty() && text.front() == ';') {
        line.kind = LineKind::Other;
    } else if (const auto eq = content.find('='); eq != std::string_view::npos) {
        line.kind = LineKind::Key;
        line.name = Trim(content.substr(0, eq));
        line.valueBegin = begin + eq + 1;
    }
    return line;
}

// Where a section and a key are, and where a new key of that section would go.
struct Location {
    bool sectionFound = false;
    Line lastLineOfSection;  // its last key line, or its header when it has none
    bool keyFound = false;
    Line keyLine;
};

std::size_t FirstLineBegin(std::string_view bytes) { return bytes.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0; }

Location Find(std::string_view bytes, std::string_view section, std::string_view key) {
    Location at;
    std::size_t pos = FirstLineBegin(bytes);
    while (pos < bytes.size()) {
        const Line line = ReadLine(bytes, pos);
        pos = line.end;
        if (!at.sectionFound) {
            if (line.kind == LineKind::Section && SameName(line.name, section)) {
                at.sectionFound = true;
                at.lastLineOfSection = line;
            }
            continue;
        }
        if (line.kind == LineKind::Section) break;
        if (line.kind != LineKind::Key) continue;
        at.lastLineOfSection = line;
        if (SameName(line.name, key)) {
            at.keyFound = true;
            at.keyLine = line;
            break;
        }
    }
    return at;
}

std::string_view LineEndOf(std::string_view bytes) {
    const auto newline = bytes.find('\n');
    if (newline == std::string_view::npos) return kNewFileLineEnd;
    return (newline > 0 && bytes[newline - 1] == '\r') ? "\r\n" : "\n";
}

std::string ValueOf(std::string_view bytes, const Line& line) {
    return std::string(Trim(bytes.substr(line.valueBegin, line.contentEnd - line.valueBegin)));
}

std::string ValuesKey(std::string_view section, std::string_view key) {
    return LowerAscii(section) + "\n" + LowerAscii(key);
}

void CheckStorable(std::string_view section, std::string_view key, std::string_view value) {
    constexpr std::string_view kLineBreaks = "\r\n";
    if (Trim(section).empty() || section.find_first_of(kLineBreaks) != std::string_view::npos ||
        section.find(']') != std::string_view::npos) {
        throw std::invalid_argument("an INI section cannot be named \"" + std::string(section) + "\"");
    }
    const std::string_view name = Trim(key);
    if (name.empty() || key.find_first_of(kLineBreaks) != std::string_view::npos ||
        key.find('=') != std::string_view::npos || name.front() == '[' || name.front() == ';') {
        throw std::invalid_argument("an INI key cannot be named \"" + std::string(key) + "\"");
    }
    if (value.find_first_of(kLineBreaks) != std::string_view::npos) {
        throw std::invalid_argument("an INI value cannot hold a line break");
    }
}

}  // namespace

std::optional<std::string> IniText::value(std::string_view section, std::string_view key) const {
    const Location at = Find(bytes_, Trim(section), Trim(key));
    if (!at.keyFound) return std::nullopt;
    return ValueOf(bytes_, at.keyLine);
}

void IniText::set(std::string_view section, std::string_view key, std::string_view value) {
    CheckStorable(section, key, value);
    section = Trim(section);
    key = Trim(key);
    const std::string_view eol = LineEndOf(bytes_);
    const Location at = Find(bytes_, section, key);

    if (at.keyFound) {
        // Keep the key as spelled in the file and the blanks after its "=".
        const Line& line = at.keyLine;
        const std::string_view rest =
            std::string_view(bytes_).substr(line.valueBegin, line.contentEnd - line.valueBegin);
        const auto lead = std::min(rest.find_first_not_of(kBlanks), rest.size());
        bytes_.replace(line.valueBegin + lead, rest.size() - lead, value);
        return;
    }

    std::string added;
    if (at.sectionFound) {
        const Line& after = at.lastLineOfSection;
        if (!after.hasLineEnd()) added += eol;
        added.append(key).append("=").append(value).append(eol);
        bytes_.insert(after.end, added);
        return;
    }

    if (!bytes_.empty() && bytes_.back() != '\n') added += eol;
    added.append("[").append(section).append("]").append(eol);
    added.append(key).append("=").append(value).append(eol);
    bytes_ += added;
}

IniValues::IniValues(const IniText& text) {
    // As Find looks them up: only the first section of a name counts, and in it
    // the first key of a name.
    const std::string_view bytes = text.bytes();
    std::unordered_set<std::string> sectionsSeen;
    std::string section;
    bool inFirstOfItsName = false;
    for (std::size_t pos = FirstLineBegin(bytes); pos < bytes.size();) {
        const Line line = ReadLine(bytes, pos);
        pos = line.end;
        if (line.kind == LineKind::Section) {
            section = LowerAscii(line.name);
            inFirstOfItsName = sectionsSeen.insert(section).second;
        } else if (line.kind == LineKind::Key && inFirstOfItsName) {
            values_.try_emplace(ValuesKey(section, line.name), ValueOf(bytes, line));
        }
    }
}

std::optional<std::string> IniValues::value(std::string_view section, std::string_view key) const {
    const auto found = values_.find(ValuesKey(Trim(section), Trim(key)));
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

std::string IniValues::get(std::string_view section, std::string_view key, std::string_view defaultValue) const {
    std::string stored = value(section, key).value_or("");
    return stored.empty() ? std::string(defaultValue) : stored;
}

}  // namespace varnok
