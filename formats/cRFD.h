#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>

#include "formats/io/File.h"

namespace varnok {

// A run of bytes in the data file: one entry's payload.
struct RFDBlock {
    std::int32_t OffSet = 0;
    std::int32_t Length = 0;
};

// One file made ready to be written into the data file, as RFDAddFile writes it:
// for a compressed payload the size prefix and the zlib stream, for a stored one
// the file's bytes.
struct RFDPayload {
    bool Packed = true;
    std::array<std::uint8_t, 4> Prefix{};
    Bytes Body;
    // What RFDAddFile returns for it: the length of the stream or of the file.
    std::int32_t Length() const noexcept { return static_cast<std::int32_t>(Body.size()); }
};

// A run of the data file that takes a new payload: the Length bytes at OffSet (none,
// to insert it there) give way to the payload's prefix and body.
struct RFDSwap {
    std::int32_t OffSet = 0;
    std::int32_t Length = 0;
    const RFDPayload* Payload = nullptr;
};

// The data file (.rfd) of an RFH archive: the payloads, back to back. A compressed
// payload is its original length (4 bytes, little-endian) followed by one zlib
// stream; a stored payload is the file's bytes as they are. cRFD knows no names:
// callers pass the offsets and sizes they read from the index. It keeps no file
// open between calls; its only state is the data file's path.
class cRFD {
public:
    const std::filesystem::path& RFDFileName() const noexcept { return fileName_; }
    void RFDFileName(const std::filesystem::path& value) { fileName_ = value; }

    void RFDClear();
    // Points the object at a data file. When `RFDFile` does not exist but a file
    // whose name differs only in letter case does, that file is used.
    void RFDOpen(const std::filesystem::path& RFDFile);

    // The size prefix of the compressed payload at `OffSet`.
    std::int32_t RFDGetOriginalSize(std::int32_t OffSet) const;

    // Writes one entry's file to `ExtractAs`, replacing it only once the whole
    // payload has been read and checked. The payload is read and written in pieces,
    // so a large one is never held whole. Several threads may extract at once.
    void RFDExtractFile(std::int32_t OffSet, std::int32_t PackedSize, std::int32_t OrigSize,
                        const std::filesystem::path& ExtractAs, bool Packed) const;

    // The first `MaxBytes` bytes of one entry's file (all of it when it is no
    // longer) in memory, with the checks of RFDExtractFile as far as it reads;
    // inflating stops at the limit. Several threads may read at once.
    Bytes RFDReadFile(std::int32_t OffSet, std::int32_t PackedSize, std::int32_t OrigSize, bool Packed,
                      std::uint64_t MaxBytes) const;

    // Writes the payload of `sFilename` at `OffSet` and returns the length of the
    // zlib stream (compressed) or of the file (stored).
    std::int32_t RFDAddFile(std::int32_t OffSet, const std::filesystem::path& sFilename, bool Packed);

    // RFDAddFile in two halves, so that files can be read and compressed ahead on
    // other threads while the data file is written in order. RFDPreparePayload
    // touches no data file and may run on any thread; RFDWritePayload raises what
    // RFDAddFile raises for the offset. A process-safe write leaves the flush to
    // disk to RFDFlush, which a caller runs before it saves an index that names
    // the payload.
    static RFDPayload RFDPreparePayload(const std::filesystem::path& sFilename, bool Packed);
    std::int32_t RFDWritePayload(std::int32_t OffSet, const RFDPayload& payload,
                                 ReplacementFile::Sync sync = ReplacementFile::Sync::Durable);
    void RFDFlush() const;

    // Cuts a block out of the data file; the bytes after it move down by `Length`.
    void RFDRemoveFile(std::int32_t OffSet, std::int32_t Length);

    // Streams the data file without `blocks` (sorted by offset, not overlapping)
    // into `out`, without committing it, so a caller can replace the data file and
    // its index together.
    void RFDWriteWithout(std::span<const RFDBlock> blocks, ReplacementFile& out) const;
    // The same with each swap's run replaced by its payload; swaps sorted by offset,
    // not overlapping.
    void RFDWriteSwapped(std::span<const RFDSwap> swaps, ReplacementFile& out) const;

private:
    std::filesystem::path fileName_;
};

}  // namespace varnok
