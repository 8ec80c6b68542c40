#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/torture/Content.h"

namespace varnok::torture {

// The archive under test: its folder, its files, and how names of entries
// appear in its list, in varnok's arguments and on the disk.
struct Archive {
    ArchiveKind kind = ArchiveKind::Rfh;
    std::filesystem::path folder;

    std::filesystem::path Path() const { return folder / (kind == ArchiveKind::Rfh ? "A.rfh" : "A.bag"); }
    // The file entries' bytes live in: the data file of a pair, the BAG itself.
    std::filesystem::path DataFile() const { return folder / (kind == ArchiveKind::Rfh ? "A.rfd" : "A.bag"); }
    std::vector<std::filesystem::path> Files() const;
    // Where the foreign writer keeps the pairs it renames over the archive.
    std::filesystem::path Side() const { return folder / "side"; }

    // The name varnok lists for an entry, which also selects it on the command line.
    std::string Listed(const std::string& name) const { return name + (kind == ArchiveKind::Rfh ? ".dat" : ".w"); }
    // The name to give an entry: a BAG record is named without extension.
    std::string NewName(const std::string& name) const { return kind == ArchiveKind::Rfh ? name + ".dat" : name; }
    // The file to add for an entry, and the file an extraction writes for it.
    std::string FileName(const std::string& name) const { return name + (kind == ArchiveKind::Rfh ? ".dat" : ".wav"); }
    // The entry name of a listed name; empty when it is not one the harness makes.
    std::string NameOfListed(const std::string& listed) const;

    const char* ExtractFormat() const { return kind == ArchiveKind::Bag ? "--wav" : nullptr; }
    const char* Label() const { return kind == ArchiveKind::Rfh ? "RFH pair" : "BAG"; }
};

// Files a user keeps beside the archive whose names look like the ones varnok
// uses for its own staging, markers and locks. Nothing may touch them.
std::vector<std::string> DecoyNames(const Archive& archive);
std::string DecoyContent(const std::string& name);

// An empty BAG archive: its 16-byte header.
void WriteEmptyBag(const std::filesystem::path& path);

void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
Bytes ReadFile(const std::filesystem::path& path);

}  // namespace varnok::torture
