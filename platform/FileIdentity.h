#pragma once

#include <filesystem>
#include <string>

namespace varnok {

// Why the current user may not change `file` in place or replace it within its
// folder, or "" when they may. A file whose write permission has been taken
// from everyone is write-protected even for a user whom the system would let
// write it anyway: its owner meant it to stay as it is.
std::string WhyNotWritable(const std::filesystem::path& file);

// True when the current user may create and remove files in the folder of `file`.
bool FolderWritable(const std::filesystem::path& file);

}  // namespace varnok
