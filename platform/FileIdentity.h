#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace varnok {

// What tells one version of a file from another without reading it: the file
// itself (device and inode), its length and its last change. Two identities
// are equal when nobody has written, replaced, removed or created the file in
// between.
struct FileIdentity {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;

    static FileIdentity Of(const std::filesystem::path& path);
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// Why the current user may not change `file` in place or replace it within its
// folder, or "" when they may. A file whose write permission has been taken
// from everyone is write-protected even for a user whom the system would let
// write it anyway: its owner meant it to stay as it is.
std::string WhyNotWritable(const std::filesystem::path& file);

// True when the current user may create and remove files in the folder of `file`.
bool FolderWritable(const std::filesystem::path& file);

}  // namespace varnok
