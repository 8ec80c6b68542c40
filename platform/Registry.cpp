#include "platform/Registry.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "platform/Folders.h"

#include "platform/AsciiCase.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

bool StartsWithName(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameName(text.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Reads an escaped string from `text` at `pos` up to the unescaped `end`
// character, and leaves `pos` just past it. Nothing when `end` never comes.
// A \x escape is one UTF-16 unit; a high and a low surrogate in a row make one
// character, and a lone surrogate becomes U+FFFD.
std::optional<std::string> Unescape(std::string_view text, std::size_t& pos, char end) {
    std::string out;
    char32_t highSurrogate = 0;  // 0: none pending
    const auto flushSurrogate = [&] {
        if (highSurrogate) AppendUtf8(out, U'\uFFFD');
        highSurrogate = 0;
    };
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == end) {
            flushSurrogate();
            return out;
        }
        if (c != '\\' || pos >= text.size()) {
            flushSurrogate();
            out += c;
            continue;
        }
        const char e = text[pos++];
        if (e == 'x') {
            char32_t unit = 0;
            int digits = 0;
            for (int d; digits < 4 && pos < text.size() && (d = HexDigit(text[pos])) >= 0; ++digits, ++pos) {
                unit = unit * 16 + static_cast<char32_t>(d);
            }
            if (digits == 0) {
                flushSurrogate();
                out += 'x';
            } else if (unit >= 0xD800 && unit <= 0xDBFF) {
                flushSurrogate();
                highSurrogate = unit;
            } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
                if (highSurrogate) {
                    AppendUtf8(out, 0x10000 + ((highSurrogate - 0xD800) << 10) + (unit - 0xDC00));
                    highSurrogate = 0;
                } else {
                    AppendUtf8(out, U'\uFFFD');
                }
            } else {
                flushSurrogate();
                AppendUtf8(out, unit);
            }
            continue;
        }
        flushSurrogate();
        if (e >= '0' && e <= '7') {
            unsigned value = static_cast<unsigned>(e - '0');
            for (int digits = 1; digits < 3 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7'; ++digits) {
                value = value * 8 + static_cast<unsigned>(text[pos++] - '0');
            }
            AppendUtf8(out, value);
            continue;
        }
        switch (e) {
            case 'a': out += '\a'; break;
            case 'b': out += '\b'; break;
            case 't': out += '\t'; break;
            case 'n': out += '\n'; break;
            case 'v': out += '\v'; break;
            case 'f': out += '\f'; break;
            case 'r': out += '\r'; break;
            case 'e': out += '\x1b'; break;
            default: out += e; break;  // "\\", the delimiters, and anything else taken as it is
        }
    }
    return std::nullopt;
}

void AppendEscaped(std::string& out, std::string_view text, std::string_view delimiters) {
    static constexpr char kEscapes[] = ".......abtnvfr.............e....";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 32) {
            if (kEscapes[c] != '.') {
                out += '\\';
                out += kEscapes[c];
            } else {
                // Three digits, so that a digit after it is not taken into the escape.
                out += '\\';
                out += static_cast<char>('0' + (c >> 6));
                out += static_cast<char>('0' + ((c >> 3) & 7));
                out += static_cast<char>('0' + (c & 7));
            }
            continue;
        }
        if (c == '\\' || delimiters.find(static_cast<char>(c)) != std::string_view::npos) out += '\\';
        out += static_cast<char>(c);
    }
}

std::string Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

bool IsTextKind(std::uint32_t kind) { return kind == kRegText || kind == kRegExpandText || kind == kRegMultiText; }

std::optional<RegValue> ParseHexBytes(std::string_view text, std::uint32_t kind) {
    RegValue value{kind, {}};
    int high = -1;
    for (const char c : text) {
        if (c == ',' || c == ' ' || c == '\t' || c == '\\') {
            if (high >= 0) return std::nullopt;  // a lone digit
            continue;
        }
        const int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        if (high < 0) {
            high = d;
        } else {
            value.data.push_back(static_cast<std::uint8_t>(high * 16 + d));
            high = -1;
        }
    }
    if (high >= 0) return std::nullopt;
    return value;
}

// The data after "=": "text", str(N):"text", dword:XXXXXXXX, hex:.. or hex(N):..
std::optional<RegValue> ParseData(std::string_view data) {
    std::uint32_t kind = kRegText;
    if (StartsWithName(data, "str(")) {
        const auto close = data.find("):");
        if (close == std::string_view::npos) return std::nullopt;
        const auto digits = data.substr(4, close - 4);
        if (std::from_chars(digits.data(), digits.data() + digits.size(), kind, 16).ptr !=
            digits.data() + digits.size()) {
            return std::nullopt;
        }
        data.remove_prefix(close + 2);
    }
    if (!data.empty() && data.front() == '"') {
        std::size_t pos = 1;
        auto text = Unescape(data, pos, '"');
        if (!text) return std::nullopt;
        return RegValue::Text(*text, kind);
    }
    if (StartsWithName(data, "dword:")) {
        const auto digits = Trimmed(data.substr(6));
        std::uint32_t number = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number, 16);
        if (ec != std::errc() || end != digits.data() + digits.size() || digits.empty() || digits.size() > 8) {
            return std::nullopt;
        }
        return RegValue::Number(static_cast<std::int32_t>(number));
    }
    if (StartsWithName(data, "hex:")) return ParseHexBytes(data.substr(4), kRegBinary);
    if (StartsWithName(data, "hex(")) {
        const auto close = data.find("):");
        if (close == std::string_view::npos) return std::nullopt;
        const auto digits = data.substr(4, close - 4);
        if (std::from_chars(digits.data(), digits.data() + digits.size(), kind, 16).ptr !=
            digits.data() + digits.size()) {
            return std::nullopt;
        }
        return ParseHexBytes(data.substr(close + 2), kind);
    }
    return std::nullopt;
}

std::string HexNumber(std::uint32_t number) {
    char digits[8];
    const auto end = std::to_chars(digits, digits + sizeof digits, number, 16).ptr;
    return std::string(digits, end);
}

void AppendData(std::string& out, const RegValue& value) {
    const auto& d = value.data;
    if (IsTextKind(value.kind) && !d.empty() && d.back() == 0) {
        if (value.kind != kRegText) out += "str(" + HexNumber(value.kind) + "):";
        out += '"';
        AppendEscaped(out, std::string_view(reinterpret_cast<const char*>(d.data()), d.size() - 1), "\"");
        out += '"';
        return;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    if (value.kind == kRegNumber && d.size() == 4) {
        out += "dword:";
        for (int i = 3; i >= 0; --i) {
            out += kHex[d[static_cast<std::size_t>(i)] >> 4];
            out += kHex[d[static_cast<std::size_t>(i)] & 15];
        }
        return;
    }
    if (value.kind == kRegBinary) {
        out += "hex:";
    } else {
        out += "hex(" + HexNumber(value.kind) + "):";
    }
    for (std::size_t i = 0; i < d.size(); ++i) {
        if (i) out += ',';
        out += kHex[d[i] >> 4];
        out += kHex[d[i] & 15];
    }
}

}  // namespace

RegValue RegValue::Text(std::string_view text, std::uint32_t kind) {
    RegValue value{kind, {text.begin(), text.end()}};
    value.data.push_back(0);
    return value;
}

RegValue RegValue::Number(std::int32_t number) {
    const auto bits = static_cast<std::uint32_t>(number);
    return {kRegNumber,
            {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
             static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)}};
}

std::string TextOf(const RegValue& value) {
    std::string text(value.data.begin(), value.data.end());
    if (const auto nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

RegFile RegFile::Parse(std::string_view text) {
    RegFile file;
    Key* current = nullptr;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string line = Trimmed(text.substr(pos, end - pos));
        pos = end + 1;
        // Long binary data goes on over several lines, each but the last ending in "\".
        const bool valueLine = !line.empty() && (line.front() == '"' || line.front() == '@');
        while (valueLine && line.back() == '\\' && pos < text.size()) {
            end = text.find('\n', pos);
            if (end == std::string_view::npos) end = text.size();
            line.pop_back();
            line += Trimmed(text.substr(pos, end - pos));
            pos = end + 1;
        }
        if (line.empty() || line.front() == ';' || line.front() == '#') continue;
        if (line.front() == '[') {
            std::size_t at = 1;
            auto path = Unescape(line, at, ']');
            current = nullptr;
            if (!path || path->empty()) continue;
            file.CreateKey(*path);
            current = file.Find(*path);
            continue;
        }
        if (!current) continue;
        std::string name;
        std::size_t at = 0;
        if (line.front() == '@') {
            at = 1;
        } else if (line.front() == '"') {
            at = 1;
            auto unescaped = Unescape(line, at, '"');
            if (!unescaped) continue;
            name = std::move(*unescaped);
        } else {
            continue;
        }
        const auto equals = line.find_first_not_of(" \t", at);
        if (equals == std::string::npos || line[equals] != '=') continue;
        const auto data = Trimmed(std::string_view(line).substr(equals + 1));
        if (auto value = ParseData(data)) {
            const std::string path = current->path;
            file.SetValue(path, name, std::move(*value));
            current = file.Find(path);
        }
    }
    return file;
}

RegFile RegFile::Load(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return {};
    try {
        std::ifstream in(path, std::ios::binary);
        if (!in) return {};
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        return Parse(text);
    } catch (const std::exception&) {  // a read error: the stream's own way to report it
        return {};
    }
}

std::string RegFile::Render(std::string_view header) const {
    std::string out(header);
    out += "\n";
    for (const Key& key : keys_) {
        out += "\n[";
        AppendEscaped(out, key.path, "[]");
        out += "]\n";
        for (const auto& [name, value] : key.values) {
            if (name.empty()) {
                out += '@';
            } else {
                out += '"';
                AppendEscaped(out, name, "\"");
                out += '"';
            }
            out += '=';
            AppendData(out, value);
            out += '\n';
        }
    }
    return out;
}

RegFile::Key* RegFile::Find(std::string_view path) {
    for (Key& key : keys_) {
        if (SameName(key.path, path)) return &key;
    }
    return nullptr;
}

const RegFile::Key* RegFile::Find(std::string_view path) const { return const_cast<RegFile*>(this)->Find(path); }

bool RegFile::HasKey(std::string_view path) const {
    for (const Key& key : keys_) {
        if (SameName(key.path, path)) return true;
        if (key.path.size() > path.size() && key.path[path.size()] == '\\' && StartsWithName(key.path, path))
            return true;
    }
    return false;
}

const RegValue* RegFile::Value(std::string_view path, std::string_view name) const {
    const Key* key = Find(path);
    if (!key) return nullptr;
    for (const auto& [valueName, value] : key->values) {
        if (SameName(valueName, name)) return &value;
    }
    return nullptr;
}

void RegFile::CreateKey(std::string_view path) {
    if (!Find(path)) keys_.push_back({std::string(path), {}});
}

void RegFile::SetValue(std::string_view path, std::string_view name, RegValue value) {
    CreateKey(path);
    Key* key = Find(path);
    for (auto& [valueName, existing] : key->values) {
        if (SameName(valueName, name)) {
            existing = std::move(value);
            return;
        }
    }
    key->values.emplace_back(std::string(name), std::move(value));
}

fs::path RegistryFile() { return fs::path(WindowsDir()) / "registry.reg"; }

std::string RootedPath(RegRoot root, std::string_view keyPath) {
    std::string path = root == RegRoot::ClassesRoot ? "HKEY_CLASSES_ROOT" : "HKEY_LOCAL_MACHINE";
    while (!keyPath.empty() && keyPath.front() == '\\') keyPath.remove_prefix(1);
    if (!keyPath.empty()) path += '\\';
    path += keyPath;
    return path;
}

bool ReadRegValue(const fs::path& file, RegRoot root, std::string_view keyPath, std::string_view valueName,
                  std::string& result) {
    // What a value read through a buffer of 1024 characters can hold.
    constexpr std::size_t kBufferSize = 1024;
    result.clear();
    const RegFile store = RegFile::Load(file);
    const std::string path = RootedPath(root, keyPath);
    if (!store.HasKey(path)) return false;
    const RegValue* value = store.Value(path, valueName);
    if (!value || value->data.size() > kBufferSize) return false;
    if (value->kind == kRegNumber && value->data.size() == 4) {
        const auto& d = value->data;
        const std::uint32_t number = d[0] | (d[1] << 8) | (d[2] << 16) | (static_cast<std::uint32_t>(d[3]) << 24);
        result = "&h";
        for (const char c : HexNumber(number)) result += static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c);
        return true;
    }
    result = TextOf(*value);
    return true;
}

bool ReadRegValue(RegRoot root, std::string_view keyPath, std::string_view valueName, std::string& result) {
    return ReadRegValue(RegistryFile(), root, keyPath, valueName, result);
}

}  // namespace varnok
