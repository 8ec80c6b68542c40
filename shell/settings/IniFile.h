#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "shell/settings/IniText.h"

namespace varnok {

// One INI file on disk. Nothing is cached: every call reads the file anew, so it
// sees every earlier change, made through any path to the file or by copying
// another file into place. Every change replaces the file atomically.
class IniFile {
public:
    explicit IniFile(std::filesystem::path file) : file_(std::move(file)) {}

    const std::filesystem::path& file() const noexcept { return file_; }

    // The value; nothing when the key, its section or the file is missing, and also
    // when the file cannot be read at all.
    std::optional<std::string> read(std::string_view section, std::string_view key) const;

    // The file's bytes, empty for a missing file. A file that is there but cannot
    // be read (no permission, a folder in its place, far too large for settings)
    // raises FormatError, so that no change is made on top of what was not seen.
    IniText load() const;

    // Loads the file, lets `edit` change the text and writes it back when it
    // changed, creating the file and its folder as needed, and gives the text the
    // file now holds. Raises on failure; the file then holds its old bytes.
    IniText update(const std::function<void(IniText&)>& edit) const;

    void write(std::string_view section, std::string_view key, std::string_view value) const;

private:
    std::filesystem::path file_;
};

}  // namespace varnok
