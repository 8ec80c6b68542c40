#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "formats/io/File.h"

namespace varnok {

// Changes that rewrite both files of an RFH pair (removals) must leave the index
// and the data file agreeing on every entry even when the process dies at any
// instant. Both new files are written completely first, under staging names
// beside the originals; then the data file is renamed into place (the commit
// point), then the index. Opening an archive calls RecoverPair, which finishes a
// change that got past the commit point and throws away one that did not.
//
//   staged data      staged index     state found on open      recovery
//   present          any              before the commit point  delete both
//   absent           present          data already replaced    rename index
//   absent           absent           nothing pending          nothing
class PairCommit {
public:
    PairCommit(std::filesystem::path index, std::filesystem::path data);

    // writeData streams the new data file into the replacement it is given;
    // writeIndex writes the new index to the path it is given.
    void Commit(const std::function<void(ReplacementFile&)>& writeData,
                const std::function<void(const std::filesystem::path&)>& writeIndex) const;

    enum class Recovery { Nothing, Finished, Discarded };
    Recovery RecoverPair() const;

    std::filesystem::path StagedIndex() const;
    std::filesystem::path StagedData() const;

private:
    void RemoveAbandonedStagingFiles() const;

    std::filesystem::path index_;
    std::filesystem::path data_;
};

// An add writes each payload into the data file before it saves the index that
// names it, so a process killed in between leaves bytes that no entry uses. The
// marker, a small file beside the data file holding the length the data file
// may be cut back to, is there while an add runs; opening the archive (under
// its lock) finds a marker left behind and cuts the data file back to the end of
// the last entry the saved index names, never below that length.
class AddMarker {
public:
    explicit AddMarker(std::filesystem::path data);

    void Begin(std::uint64_t keepLength) const;
    void End() const;
    // Cuts the data file back after an interrupted add; true when it did.
    bool Recover(const std::filesystem::path& index) const;

    std::filesystem::path MarkerPath() const;

private:
    std::filesystem::path data_;
};

}  // namespace varnok
