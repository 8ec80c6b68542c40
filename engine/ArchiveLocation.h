#pragma once

#include <filesystem>
#include <string>

namespace varnok {

// Where an archive named by a path really is: its files with every symbolic
// link resolved, so that edits write the real files and leave the links as they
// were, and what keeps it from being edited.
struct ArchiveLocation {
    std::filesystem::path index;  // the index of an RFH pair, or the BAG file
    std::filesystem::path data;   // the data file of an RFH pair; empty when missing or ambiguous
    std::string dataProblem;      // why there is no data file: one message for the user
    std::string readOnlyReason;   // why the archive may be read but not changed
};

// Resolves `path` (an existing file) and, for an RFH index, finds its data file:
// the index's name ending in "rfd", or else the one file of the folder with that
// name in other letter case. An index that reaches its data file only that way,
// while the folder also holds another index of it (the same name in other letter
// case), is read-only: two indexes must never change one data file.
ArchiveLocation LocateArchive(const std::string& path, bool bag);

// Why the user can't change `file` where it is ("" when they can): permissions,
// write protection, a read-only folder or medium.
std::string WhyReadOnlyFile(const std::filesystem::path& file);

}  // namespace varnok
