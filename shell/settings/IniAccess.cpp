#include "shell/settings/IniAccess.h"

#include <charconv>

#include "engine/ContinueOnFailure.h"
#include "engine/TextRules.h"
#include "platform/Folders.h"
#include "shell/settings/IniFile.h"

namespace varnok {

std::filesystem::path SettingsFile() { return std::filesystem::path(WindowsDir()) / "varnok2.ini"; }

std::string INIAccess(const std::filesystem::path& file, std::string_view mode, std::string_view section,
                      std::string_view key, const std::optional<std::string>& value, std::string_view defaultValue) {
    if (mode.empty()) return "ERROR MODE";
    if (section.empty()) return "ERROR Secname";
    if (key.empty()) return "ERROR Keyname";
    const std::string upperMode = UpperCaseASCII(mode);
    if (upperMode == "WRITE") {
        if (!value || value->empty()) return "ERROR KeyValue";
        // Callers go on whether the setting was stored or not.
        TryStep([&] { IniFile(file).write(section, key, *value); });
        return "";
    }
    if (upperMode == "GET") {
        std::string stored = IniFile(file).read(section, key).value_or("");
        return stored.empty() ? std::string(defaultValue) : stored;
    }
    return "";
}

void INIWriteKeys(const std::filesystem::path& file, std::string_view section, const IniKeyValues& keys) {
    TryStep([&] {
        IniFile(file).update([&](IniText& text) {
            for (const auto& [key, value] : keys) {
                if (!value.empty()) text.set(section, key, value);
            }
        });
    });
}

std::optional<long long> SettingNumber(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-')) return std::nullopt;
    }
    long long number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return number;
}

}  // namespace varnok
