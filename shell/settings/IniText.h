#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace varnok {

// The bytes of one INI file, read and edited the way the private-profile calls of
// the original platform did it:
// - "[name]" opens a section, "key=value" is a key line, a line starting with ";"
//   is a comment; anything else is kept and otherwise ignored;
// - section and key names match without regard to ASCII letter case, and the first
//   section and the first key of a name win;
// - a value is the text after the first "=" with blanks (spaces, tabs) trimmed.
// Edits change only the line they are about: every other byte, comments, unknown
// lines and the line ends (CRLF or LF) stay as they were.
class IniText {
public:
    IniText() = default;
    explicit IniText(std::string bytes) : bytes_(std::move(bytes)) {}

    const std::string& bytes() const noexcept { return bytes_; }

    // The trimmed value, or nothing when the section or the key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Replaces the value of an existing key in its line; a new key goes after the
    // last key line of its section, a new section at the end. Names and values that
    // the file could not hold (line breaks, "=" in a key, "]" in a section, names
    // that are empty after trimming) raise std::invalid_argument.
    void set(std::string_view section, std::string_view key, std::string_view value);

private:
    std::string bytes_;
};

// Every value of one INI text, found without scanning the text again: for reading
// many keys of a file that was read once (start-up reads some 2000). A lookup
// gives exactly what IniText::value gives for the same text.
class IniValues {
public:
    IniValues() = default;
    explicit IniValues(const IniText& text);

    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // INIAccess's GET on these values: `defaultValue` for a missing or empty value.
    std::string get(std::string_view section, std::string_view key, std::string_view defaultValue) const;

private:
    // Section and key in lower case, joined by a line break, which neither can hold.
    std::unordered_map<std::string, std::string> values_;
};

}  // namespace varnok
