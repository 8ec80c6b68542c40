#include "formats/cRFD.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>

#include "formats/FormatError.h"
#include "formats/io/ByteReader.h"
#include "formats/io/Zlib.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kPrefix = 4;
constexpr std::uint64_t kMaxInt32 = std::numeric_limits<std::int32_t>::max();

std::string Hex(std::uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(v));
    return text;
}

std::string Quoted(const fs::path& p) { return "\"" + p.string() + "\""; }

[[noreturn]] void ThrowCorrupt(const std::string& m) { throw FormatError(FormatErrorKind::Corrupt, m); }
[[noreturn]] void ThrowRange(const std::string& m) { throw FormatError(FormatErrorKind::Range, m); }

std::string EntryAt(const fs::path& data, std::int64_t offset) {
    return "the entry at offset " + Hex(static_cast<std::uint64_t>(offset)) + " of " + Quoted(data);
}

void CheckEntryFields(const fs::path& data, std::int32_t OffSet, std::int32_t PackedSize, std::int32_t OrigSize) {
    if (OffSet < 0 || PackedSize < 0 || OrigSize < 0) {
        ThrowCorrupt(EntryAt(data, OffSet) + " has a negative offset or size in the index");
    }
}

[[noreturn]] void ThrowPastEnd(const InputFile& in, std::int32_t OffSet) {
    ThrowCorrupt(EntryAt(in.path(), OffSet) + " runs past the end of the data file, which ends at offset " +
                 Hex(in.size()));
}

// Hands out the zlib stream of a compressed payload and the two bytes after it,
// as far as the data file holds them (a stream may end exactly at the end of the
// file), a piece at a time. The piece buffer is the thread's own and is kept for
// the next payload.
class StreamReader {
public:
    StreamReader(const InputFile& in, std::int32_t OffSet, std::int32_t PackedSize) : in_(in) {
        const std::uint64_t start = static_cast<std::uint64_t>(OffSet) + kPrefix;
        if (start > in.size()) ThrowPastEnd(in, OffSet);
        const std::uint64_t wanted = PackedSize >= 2 ? static_cast<std::uint64_t>(PackedSize) - 2 : 0;
        at_ = start;
        end_ = start + std::min(wanted, in.size() - start);
    }
    std::span<const std::uint8_t> operator()() {
        thread_local Bytes piece;
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, end_ - at_));
        if (piece.size() < n) piece.resize(n);
        const std::size_t got = in_.readAt(at_, std::span(piece.data(), n));
        at_ += got;
        return {piece.data(), got};
    }

private:
    static constexpr std::uint64_t kPiece = 256 * 1024;
    const InputFile& in_;
    std::uint64_t at_ = 0, end_ = 0;
};

// The source file whole, once its length is known to fit the index's fields.
Bytes ReadSource(const fs::path& sFilename) {
    InputFile in(sFilename);
    if (in.size() > kMaxInt32) ThrowRange(Quoted(sFilename) + " is too large for an archive (2 GB at most)");
    return in.readExactly(0, static_cast<std::size_t>(in.size()));
}

// Payload offsets are 32-bit, so no payload may end past 2^31 - 1.
void CheckPayloadFits(std::int32_t OffSet, std::uint64_t length) {
    if (OffSet < 0) ThrowRange("payload offset " + std::to_string(OffSet) + " is negative");
    if (length > kMaxInt32 - static_cast<std::uint64_t>(OffSet)) ThrowRange("the data file would pass 2 GB");
}

void CheckBlocks(std::span<const RFDBlock> blocks, const InputFile& in) {
    std::int64_t previousEnd = 0;
    for (const RFDBlock& b : blocks) {
        const std::int64_t end = std::int64_t{b.OffSet} + b.Length;
        if (b.OffSet < 0 || b.Length < 0 || end > static_cast<std::int64_t>(in.size()) + 1) {
            ThrowRange("the block of " + std::to_string(b.Length) + " bytes at offset " + std::to_string(b.OffSet) +
                       " lies outside " + Quoted(in.path()) + ", which ends at offset " + Hex(in.size()));
        }
        if (b.OffSet < previousEnd) ThrowRange("blocks to remove overlap or are out of order");
        previousEnd = end;
    }
}

// Copies everything outside the blocks; a block may reach one byte past the end.
void CopyWithout(const InputFile& in, std::span<const RFDBlock> blocks, ReplacementFile& out) {
    std::uint64_t pos = 0;
    for (const RFDBlock& b : blocks) {
        const std::uint64_t start = std::min<std::uint64_t>(static_cast<std::uint64_t>(b.OffSet), in.size());
        out.copyFrom(in, pos, start - pos);
        pos = std::min<std::uint64_t>(start + static_cast<std::uint64_t>(b.Length), in.size());
    }
    out.copyFrom(in, pos, in.size() - pos);
}

}  // namespace

void cRFD::RFDClear() { fileName_.clear(); }

void cRFD::RFDOpen(const fs::path& RFDFile) { fileName_ = ResolveNameCase(RFDFile); }

std::int32_t cRFD::RFDGetOriginalSize(std::int32_t OffSet) const {
    if (OffSet < 0) ThrowCorrupt(EntryAt(fileName_, OffSet) + " has a negative offset in the index");
    InputFile in(fileName_);
    const Bytes prefix = in.readExactly(static_cast<std::uint64_t>(OffSet), kPrefix);
    return ByteReader(prefix).i32le();
}

void cRFD::RFDExtractFile(std::int32_t OffSet, std::int32_t PackedSize, std::int32_t OrigSize,
                          const fs::path& ExtractAs, bool Packed) const {
    CheckEntryFields(fileName_, OffSet, PackedSize, OrigSize);
    InputFile in(fileName_);
    if (!Packed) {
        if (static_cast<std::uint64_t>(OffSet) + static_cast<std::uint64_t>(PackedSize) > in.size()) {
            ThrowPastEnd(in, OffSet);
        }
        ReplacementFile out(ExtractAs, ReplacementFile::Sync::ProcessSafe, ReplacementFile::Staging::Unnamed,
                            ReplacementFile::Target::NotArchiveFile);
        out.copyFrom(in, static_cast<std::uint64_t>(OffSet), static_cast<std::uint64_t>(PackedSize));
        out.commit();
        return;
    }
    StreamReader stream(in, OffSet, PackedSize);
    ReplacementFile out(ExtractAs, ReplacementFile::Sync::ProcessSafe, ReplacementFile::Staging::Unnamed,
                        ReplacementFile::Target::NotArchiveFile);
    InflateExactTo([&stream] { return stream(); }, static_cast<std::uint64_t>(OrigSize), EntryAt(fileName_, OffSet),
                   [&out](std::span<const std::uint8_t> part) { out.write(part); });
    out.commit();
}

Bytes cRFD::RFDReadFile(std::int32_t OffSet, std::int32_t PackedSize, std::int32_t OrigSize, bool Packed,
                        std::uint64_t MaxBytes) const {
    CheckEntryFields(fileName_, OffSet, PackedSize, OrigSize);
    InputFile in(fileName_);
    if (!Packed) {
        if (static_cast<std::uint64_t>(OffSet) + static_cast<std::uint64_t>(PackedSize) > in.size()) {
            ThrowPastEnd(in, OffSet);
        }
        const auto length = std::min(static_cast<std::uint64_t>(PackedSize), MaxBytes);
        return in.readExactly(static_cast<std::uint64_t>(OffSet), static_cast<std::size_t>(length));
    }
    StreamReader stream(in, OffSet, PackedSize);
    return InflateFirst([&stream] { return stream(); }, static_cast<std::uint64_t>(OrigSize), MaxBytes,
                        EntryAt(fileName_, OffSet));
}

std::int32_t cRFD::RFDAddFile(std::int32_t OffSet, const fs::path& sFilename, bool Packed) {
    return RFDWritePayload(OffSet, RFDPreparePayload(sFilename, Packed));
}

RFDPayload cRFD::RFDPreparePayload(const fs::path& sFilename, bool Packed) {
    RFDPayload payload;
    payload.Packed = Packed;
    payload.Body = ReadSource(sFilename);
    if (Packed) {
        PutI32le(payload.Prefix.data(), static_cast<std::int32_t>(payload.Body.size()));
        payload.Body = CompressLevel9(payload.Body);
    }
    return payload;
}

std::int32_t cRFD::RFDWritePayload(std::int32_t OffSet, const RFDPayload& payload, ReplacementFile::Sync sync) {
    if (!payload.Packed) {
        CheckPayloadFits(OffSet, payload.Body.size());
        WriteIntoFileAt(fileName_, static_cast<std::uint64_t>(OffSet), {payload.Body}, sync);
    } else {
        CheckPayloadFits(OffSet, kPrefix + payload.Body.size());
        WriteIntoFileAt(fileName_, static_cast<std::uint64_t>(OffSet), {payload.Prefix, payload.Body}, sync);
    }
    return payload.Length();
}

void cRFD::RFDFlush() const { FlushFileToDisk(fileName_); }

// Removing a block that starts at 0 and covers the file (or one byte more) leaves
// an empty data file; the replacement is written beside the old one, so a failed
// write leaves the old file whole.
void cRFD::RFDRemoveFile(std::int32_t OffSet, std::int32_t Length) {
    const RFDBlock block{OffSet, Length};
    InputFile in(fileName_);
    CheckBlocks({&block, 1}, in);
    ReplacementFile out(fileName_);
    CopyWithout(in, {&block, 1}, out);
    out.commit();
}

void cRFD::RFDWriteWithout(std::span<const RFDBlock> blocks, ReplacementFile& out) const {
    InputFile in(fileName_);
    CheckBlocks(blocks, in);
    CopyWithout(in, blocks, out);
}

void cRFD::RFDWriteSwapped(std::span<const RFDSwap> swaps, ReplacementFile& out) const {
    InputFile in(fileName_);
    std::vector<RFDBlock> blocks;
    for (const RFDSwap& s : swaps) blocks.push_back({s.OffSet, s.Length});
    CheckBlocks(blocks, in);
    std::uint64_t pos = 0;
    for (const RFDSwap& s : swaps) {
        const std::uint64_t start = std::min<std::uint64_t>(static_cast<std::uint64_t>(s.OffSet), in.size());
        out.copyFrom(in, pos, start - pos);
        if (s.Payload->Packed) out.write(s.Payload->Prefix);
        out.write(s.Payload->Body);
        pos = std::min<std::uint64_t>(start + static_cast<std::uint64_t>(s.Length), in.size());
    }
    out.copyFrom(in, pos, in.size() - pos);
}

}  // namespace varnok
