#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varnok {

// Where an entry lands on disk. Every writer of extracted files goes through this
// one function, so that no stored name can put a file outside the folder the user
// chose.
//
// `storedFolder` is the entry's stored path ("" or ending in "\") when the stored
// folders are to be recreated, else ""; `fileName` is the entry's file name. Both
// are Windows-1252 bytes. The result is destination/folder.../fileName, or nothing
// when a part of the name would leave the destination: an empty or "." or ".."
// component, an absolute path, a drive letter, a "/" or a NUL inside a name, or an
// existing folder on the way that is a symbolic link. `why` then says which.
struct ExtractionTarget {
    std::optional<std::filesystem::path> path;
    std::string why;
};

ExtractionTarget ResolveExtractionTarget(const std::filesystem::path& destination, std::string_view storedFolder,
                                         std::string_view fileName);

// Creates the folders between the destination and a resolved target.
void CreateTargetFolders(const std::filesystem::path& target);

}  // namespace varnok
