#pragma once

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
    // payload has been read and checked.
    void RFDExtractFile(std::int32_t OffSet, std::int32_t PackedSize, std::int32_t OrigSize,
                        const std::filesystem::path& ExtractAs, bool Packed) const;

    // Writes the payload of `sFilename` at `OffSet` and returns the length of the
    // zlib stream (compressed) or of the file (stored).
    std::int32_t RFDAddFile(std::int32_t OffSet, const std::filesystem::path& sFilename, bool Packed);

    // Cuts a block out of the data file; the bytes after it move down by `Length`.
    void RFDRemoveFile(std::int32_t OffSet, std::int32_t Length);

    // Streams the data file without `blocks` (sorted by offset, not overlapping)
    // into `out`, without committing it, so a caller can replace the data file and
    // its index together.
    void RFDWriteWithout(std::span<const RFDBlock> blocks, ReplacementFile& out) const;

private:
    std::filesystem::path fileName_;
};

}  // namespace varnok
