#pragma once

#include <concepts>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace varnok {

// <WindowsDir>/varnok2.ini: every setting of the program lives there.
std::filesystem::path SettingsFile();

// The one way the program reads and writes an INI file: the settings file and the
// plug-in descriptions.
// - An empty mode, section or key gives "ERROR MODE", "ERROR Secname" or
//   "ERROR Keyname", checked in that order.
// - "WRITE" (any letter case) stores `value` and gives "". An absent or empty value
//   gives "ERROR KeyValue" and writes nothing, so a key is never set to empty.
// - "GET" (any letter case) gives the whole stored value, or `defaultValue` when it
//   is empty or missing.
// - Any other mode gives "".
// A damaged or unreadable file never raises: reads take the default, writes are
// lost.
std::string INIAccess(const std::filesystem::path& file, std::string_view mode, std::string_view section,
                      std::string_view key, const std::optional<std::string>& value, std::string_view defaultValue);

// Booleans are stored as "True" and "False".
template <std::same_as<bool> Bool>
std::string INIAccess(const std::filesystem::path& file, std::string_view mode, std::string_view section,
                      std::string_view key, Bool value, std::string_view defaultValue) {
    return INIAccess(file, mode, section, key, std::optional<std::string>(value ? "True" : "False"), defaultValue);
}

// Numbers are stored in plain decimal.
template <std::integral Number>
requires(!std::same_as<Number, bool> && !std::same_as<Number, char>) std::string
    INIAccess(const std::filesystem::path& file, std::string_view mode, std::string_view section, std::string_view key,
              Number value, std::string_view defaultValue) {
    return INIAccess(file, mode, section, key, std::optional<std::string>(std::to_string(value)), defaultValue);
}

// Several WRITE calls to one section, in order, with a single replacement of the
// file: the same end result as one INIAccess call per key (empty values are
// skipped), but all or nothing, and without rewriting the file for every key.
using IniKeyValues = std::vector<std::pair<std::string, std::string>>;
void INIWriteKeys(const std::filesystem::path& file, std::string_view section, const IniKeyValues& keys);

// A stored whole number: decimal digits with an optional sign and surrounding
// blanks. Nothing for anything else, an empty text among them.
std::optional<long long> SettingNumber(std::string_view text);

}  // namespace varnok
