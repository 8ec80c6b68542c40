#include "cli/Output.h"

#include <cstdio>
#include <iostream>

namespace varnok::cli {

void PrintError(const std::string& text) { std::cerr << "varnok: " << text << '\n'; }

void PrintWarning(const std::string& text) { std::cerr << "varnok: warning: " << text << '\n'; }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// Whether a "\" at `at` would be read back as the start of an escape.
bool LooksLikeEscape(std::string_view text, std::size_t at) {
    return text.size() - at >= 4 && text[at + 1] == 'x' && IsHexDigit(text[at + 2]) && IsHexDigit(text[at + 3]);
}

void AppendEscape(std::string& out, unsigned code) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\x%02X", code);
    out += escape;
}

}  // namespace

std::string EscapedName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        const auto next = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0u;
        if (byte < 0x20 || byte == 0x7F) {
            AppendEscape(out, byte);
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080 to U+009F in UTF-8
            AppendEscape(out, next);
            ++i;
        } else if (byte == '\\' && LooksLikeEscape(name, i)) {
            AppendEscape(out, byte);
        } else {
            out += name[i];
        }
    }
    return out;
}

}  // namespace varnok::cli
