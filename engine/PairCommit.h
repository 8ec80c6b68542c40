#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "formats/io/File.h"

namespace varnok {

// Changes that rewrite both files of an RFH pair (removals, replacements,
// copies) must leave the index and the data file agreeing on every entry even
// when the process dies at any instant. Both new files are written completely
// first, under fresh staging names beside the originals; then a journal beside
// the index names the two staged files and what they are (device and inode);
// then the data file is renamed into place (the commit point), then the index,
// and the journal goes. Opening an archive calls RecoverPair under its lock,
// which finishes a change that got past the commit point and throws away one
// that did not. Only files the journal names, and that still are what it says,
// are ever renamed or deleted: a file that merely looks like ours is left alone.
//
//   staged data      staged index     state found on open      recovery
//   present          any              before the commit point  delete both
//   absent           present          data already replaced    rename index
//   absent           absent           nothing pending          nothing
class PairCommit {
public:
    PairCommit(std::filesystem::path index, std::filesystem::path data);

    // writeData and writeIndex stream the new files into the replacements they
    // are given. Where the index or the data file is held open, the new files
    // are handed over to the holds.
    void Commit(const std::function<void(ReplacementFile&)>& writeData,
                const std::function<void(ReplacementFile&)>& writeIndex) const;

    enum class Recovery { Nothing, Finished, Discarded };
    Recovery RecoverPair() const;

    // For a reader that may not recover: the staged index a change left past its
    // commit point, which is the index that belongs to the data file now.
    std::optional<std::filesystem::path> PendingIndex() const;

    std::filesystem::path JournalPath() const;

    // For tests: called after each named step of a commit ("journal written",
    // "data renamed", "index renamed"); a hook that throws stops the commit
    // there, as a kill would.
    static void SetStepHook(std::function<void(std::string_view)> hook);

private:
    std::filesystem::path index_;
    std::filesystem::path data_;
};

// An add writes each payload into the data file before it saves the index that
// names it, so a process killed in between leaves bytes that no entry uses. The
// marker, a small file beside the data file holding the length the data file
// may be cut back to and which data file it is about, is there while an add
// runs; opening the archive (under its lock) finds a marker left behind and cuts
// that data file back to the end of the last entry the saved index names,
// never below that length. A marker that is not ours, or names another data
// file, is left alone.
class AddMarker {
public:
    explicit AddMarker(std::filesystem::path data);

    // Makes a marker of this add's own, under a name nothing has yet
    // (".NAME.rfd.vnk-add-xxxxxxxx"), and returns it.
    std::filesystem::path Begin(std::uint64_t keepLength) const;
    static void End(const std::filesystem::path& marker);
    // Cuts the data file back after an interrupted add; true when it did.
    bool Recover(const std::filesystem::path& index) const;

    // The files beside the data file named like its markers (ours or not).
    std::vector<std::filesystem::path> Markers() const;

private:
    bool RecoverFrom(const std::filesystem::path& marker, const std::filesystem::path& index) const;

    std::filesystem::path data_;
};

}  // namespace varnok
