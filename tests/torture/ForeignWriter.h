#pragma once

#include <filesystem>
#include <random>

#include "tests/torture/Archive.h"
#include "tests/torture/Model.h"

namespace varnok::torture {

// A program of the user's that knows nothing of varnok's lock and changes the
// archive's files while varnok edits them.
class ForeignWriter {
public:
    // `templates` holds a valid archive of each kind ("F.rfh" with "F.rfd",
    // "F.bag") whose entries have names of their own.
    explicit ForeignWriter(std::filesystem::path templates) : templates_(std::move(templates)) {}

    // Copies the foreign archive into the archive's side folder as copy `n`,
    // ahead of the instant it is renamed over the archive.
    void Prepare(const Archive& archive, int n) const;
    // Renames copy `n` over the archive's files, the data file first: an add
    // that ran in between on the foreign data file with the old index wrote
    // after the foreign entries, where the foreign index leaves its bytes unused.
    Replacement RenameOver(const Archive& archive, int n) const;
    // Appends bytes that no entry uses to the data file.
    void Append(const Archive& archive, std::mt19937_64& rng) const;
    // Writes some of the data file's bytes back over themselves, so that only its times change.
    void RewriteInPlace(const Archive& archive) const;
    // Puts a fresh copy of the foreign archive in place of a broken one.
    void Restore(const Archive& archive) const;

private:
    std::filesystem::path Copy(const Archive& archive, int n, const char* extension) const;
    std::filesystem::path Template(const char* extension) const;

    std::filesystem::path templates_;
};

}  // namespace varnok::torture
