#include "formats/cRFH.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <system_error>

#include "formats/FormatError.h"
#include "formats/io/ByteReader.h"
#include "formats/io/File.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kFixedPart = 24;
constexpr std::int64_t kMaxInt32 = std::numeric_limits<std::int32_t>::max();

[[noreturn]] void ThrowRange(const std::string& message) { throw FormatError(FormatErrorKind::Range, message); }

std::string BytesToString(std::span<const std::uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

struct EntryRead {
    RFHEntry row;
    std::string name;
};

// The entry at byte `p`, or nothing when its fixed part or name would run past the
// end of the file or its NameLen is below 1.
std::optional<EntryRead> ReadEntryAt(const InputFile& in, std::uint64_t p) {
    std::array<std::uint8_t, kFixedPart> fixed{};
    if (in.size() - p < kFixedPart || in.readAt(p, fixed) != kFixedPart) return std::nullopt;
    ByteReader r(fixed);
    EntryRead e;
    e.row.NameLen = r.i32le();
    e.row.DateAdded = r.i32le();
    e.row.Packed = r.i32le();
    e.row.PackedSize = r.i32le();
    e.row.OriginalSize = r.i32le();
    e.row.OffSet = r.i32le();
    if (e.row.NameLen < 1 || static_cast<std::uint64_t>(e.row.NameLen) > in.size() - p - kFixedPart) {
        return std::nullopt;
    }
    Bytes name(static_cast<std::size_t>(e.row.NameLen));
    if (in.readAt(p + kFixedPart, name) != name.size()) return std::nullopt;
    e.name = BytesToString(name);
    return e;
}

double RoundHalfToEven(double q) {
    const double down = std::floor(q);
    if (q - down != 0.5) return std::round(q);
    return std::fmod(down, 2.0) == 0.0 ? down : down + 1.0;
}

void AppendI32(Bytes& out, std::int32_t v) {
    std::uint8_t b[4];
    PutI32le(b, v);
    out.insert(out.end(), b, b + 4);
}

std::int32_t Narrow(std::int64_t v) { return static_cast<std::int32_t>(v); }

}  // namespace

cRFH::cRFH() : entries_(kMaxEntries), names_(kMaxEntries) {}

void cRFH::RFHRefresh() {
    RFHClear();
    if (!indexPath_.empty()) RFHOpen(indexPath_);
}

void cRFH::RFHOpen(const fs::path& RFHFile) {
    indexPath_ = RFHFile;
    count_ = 0;
    damagedAt_.reset();
    truncated_ = false;
    // A missing index is an InputOutput failure like an unreadable one: opening
    // never creates a file, or a mistyped name would become an empty archive
    // that the next add writes beside someone else's data file.
    ReadIndex(RFHFile);
}

// Entries run from byte 0 to the end of the file. Reading stops when fewer than
// two bytes are left (a stray last byte is no entry), at the first entry that does
// not fit, or after the last row of the table.
void cRFH::ReadIndex(const fs::path& RFHFile) {
    InputFile in(RFHFile);
    std::uint64_t p = 0;
    while (count_ < kMaxEntries && in.size() - p >= 2) {
        std::optional<EntryRead> e = ReadEntryAt(in, p);
        if (!e) {
            damagedAt_ = p;
            return;
        }
        entries_[count_] = e->row;
        names_[count_] = std::move(e->name);
        ++count_;
        p += kFixedPart + static_cast<std::uint64_t>(e->row.NameLen);
    }
    truncated_ = count_ == kMaxEntries && in.size() - p >= 2;
}

void cRFH::RFHClear() {
    EraseTable();
    count_ = 0;
    damagedAt_.reset();
    truncated_ = false;
}

void cRFH::EraseTable() {
    std::fill(entries_.begin(), entries_.end(), RFHEntry{});
    std::fill(names_.begin(), names_.end(), std::string{});
}

void cRFH::RFHSave(const fs::path& RFHFile, ReplacementFile::Sync sync) const {
    WriteFileAtomically(RFHFile, RFHImage(), sync);
}

void cRFH::RFHSave(ReplacementFile& out) const { out.write(RFHImage()); }

Bytes cRFH::RFHImage() const {
    Bytes image;
    for (std::int32_t i = 0; i < count_; ++i) {
        const RFHEntry& e = entries_[i];
        for (std::int32_t v : {e.NameLen, e.DateAdded, e.Packed, e.PackedSize, e.OriginalSize, e.OffSet}) {
            AppendI32(image, v);
        }
        image.insert(image.end(), names_[i].begin(), names_[i].end());
    }
    return image;
}

void cRFH::RFHAddFile(const fs::path& sOrigFileName, const std::string& sFilename, std::int32_t PackedSize) {
    if (count_ >= kMaxEntries) ThrowRange("the archive already holds the most entries it can, 5000");
    const std::uint64_t length = FileLength(sOrigFileName);
    if (length > static_cast<std::uint64_t>(kMaxInt32)) {
        ThrowRange("\"" + sOrigFileName.string() + "\" is too large for an archive (2 GB at most)");
    }
    if (PackedSize < 0 || PackedSize > kMaxInt32 - 4) ThrowRange("packed size out of range");
    const std::string name = sFilename.starts_with('\\') ? sFilename.substr(1) : sFilename;
    const std::int32_t offset = RFHNextOffSet();

    const std::int32_t n = count_ + 1;
    SetFullName(n, name);
    RFHEntry& row = Row(n);
    row.DateAdded = kNewDateAdded;
    row.Packed = kPackedCompressed;
    row.PackedSize = PackedSize + 4;
    row.OriginalSize = Narrow(static_cast<std::int64_t>(length));
    row.OffSet = offset;
    count_ = n;
}

std::int32_t cRFH::RFHNextOffSet() const {
    std::int64_t end = 0;
    for (std::int32_t i = 0; i < count_; ++i) {
        end = std::max(end, std::int64_t{entries_[i].OffSet} + entries_[i].PackedSize);
    }
    if (end > kMaxInt32) ThrowRange("the data file is full (2 GB at most)");
    return Narrow(end);
}

void cRFH::RFHRemoveFile(std::int32_t lNumber) { RFHRemoveFiles({lNumber}); }

void cRFH::RFHRemoveFiles(std::vector<std::int32_t> numbers) {
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    CheckEntryNumbers(numbers);
    for (auto n = numbers.rbegin(); n != numbers.rend(); ++n) MovePayloadsAfter(*n);

    std::int32_t kept = 0;
    auto removed = numbers.begin();
    for (std::int32_t i = 0; i < count_; ++i) {
        if (removed != numbers.end() && *removed == i + 1) {
            ++removed;
            continue;
        }
        if (kept != i) {
            entries_[kept] = entries_[i];
            names_[kept] = std::move(names_[i]);
        }
        ++kept;
    }
    for (std::int32_t i = kept; i < count_; ++i) {
        entries_[i] = RFHEntry{};
        names_[i].clear();
    }
    count_ = kept;
}

void cRFH::CheckEntryNumbers(const std::vector<std::int32_t>& numbers) const {
    for (std::int32_t n : numbers) {
        if (n < 1 || n > count_) {
            ThrowRange("entry " + std::to_string(n) + " is not in the archive, which holds " + std::to_string(count_) +
                       " entries");
        }
    }
}

// Cutting entry n's payload out of the data file moves every byte after it down
// by its PackedSize; payloads before it stay where they are.
void cRFH::MovePayloadsAfter(std::int32_t lNumber) {
    const RFHEntry removed = Row(lNumber);
    for (std::int32_t i = 0; i < count_; ++i) {
        if (i + 1 == lNumber || entries_[i].OffSet <= removed.OffSet) continue;
        entries_[i].OffSet = Narrow(std::int64_t{entries_[i].OffSet} - removed.PackedSize);
    }
}

RFHEntry& cRFH::Row(std::int32_t lNumber) {
    return const_cast<RFHEntry&>(static_cast<const cRFH&>(*this).Row(lNumber));
}

const RFHEntry& cRFH::Row(std::int32_t lNumber) const {
    if (lNumber < 1 || lNumber > kMaxEntries) {
        ThrowRange("entry number " + std::to_string(lNumber) + " is outside 1..5000");
    }
    return entries_[static_cast<std::size_t>(lNumber - 1)];
}

std::string cRFH::GetFullName(std::int32_t lNumber) const {
    (void)Row(lNumber);
    const std::string& row = names_[static_cast<std::size_t>(lNumber - 1)];
    return row.empty() ? std::string{} : row.substr(0, row.size() - 1);
}

void cRFH::SetFullName(std::int32_t lNumber, const std::string& name) {
    RFHEntry& row = Row(lNumber);
    if (name.size() >= static_cast<std::size_t>(kMaxInt32)) ThrowRange("stored name too long");
    names_[static_cast<std::size_t>(lNumber - 1)] = name + '\0';
    row.NameLen = Narrow(static_cast<std::int64_t>(name.size()) + 1);
}

// A `\` at the very start does not separate anything: "\a.bin" is a file name.
std::string cRFH::GetFileName(std::int32_t lNumber) const {
    std::string full = GetFullName(lNumber);
    const std::size_t cut = full.rfind('\\');
    if (cut == std::string::npos || cut == 0) return full;
    return full.substr(cut + 1);
}

void cRFH::SetFileName(std::int32_t lNumber, const std::string& NewValue) {
    SetFullName(lNumber, GetFilePath(lNumber) + NewValue);
}

std::string cRFH::GetFilePath(std::int32_t lNumber) const {
    const std::string full = GetFullName(lNumber);
    return full.substr(0, full.size() - GetFileName(lNumber).size());
}

void cRFH::SetFilePath(std::int32_t lNumber, const std::string& NewValue) {
    SetFullName(lNumber, NewValue + GetFileName(lNumber));
}

std::int32_t cRFH::GetFileNaneLen(std::int32_t lNumber) const { return Row(lNumber).NameLen; }
std::int32_t cRFH::GetDateAdded(std::int32_t lNumber) const { return Row(lNumber).DateAdded; }
void cRFH::SetDateAdded(std::int32_t lNumber, std::int32_t NewValue) { Row(lNumber).DateAdded = NewValue; }

std::string cRFH::GetPacked(std::int32_t lNumber) const {
    return Row(lNumber).Packed == kPackedCompressed ? "Yes" : "No";
}

void cRFH::SetPacked(std::int32_t lNumber, const std::string& NewValue) {
    Row(lNumber).Packed = NewValue == "Yes" ? kPackedCompressed : 0;
}

// The space saved in per cent: 100 minus the payload's share of the file, rounded
// half to even to a 16-bit whole number; empty when there is no such number.
std::string cRFH::GetRatio(std::int32_t lNumber) const {
    const RFHEntry& e = Row(lNumber);
    if (e.OriginalSize == 0) return {};
    const double share = RoundHalfToEven(static_cast<double>(e.PackedSize) / e.OriginalSize * 100.0);
    if (share < -32768.0 || share > 32767.0) return {};
    return std::to_string(100 - static_cast<int>(share)) + "%";
}

std::int32_t cRFH::GetPackedSize(std::int32_t lNumber) const { return Row(lNumber).PackedSize; }
void cRFH::SetPackedSize(std::int32_t lNumber, std::int32_t NewValue) { Row(lNumber).PackedSize = NewValue; }
std::int32_t cRFH::GetOriginalSize(std::int32_t lNumber) const { return Row(lNumber).OriginalSize; }
void cRFH::SetOriginalSize(std::int32_t lNumber, std::int32_t NewValue) { Row(lNumber).OriginalSize = NewValue; }
std::int32_t cRFH::GetOffSet(std::int32_t lNumber) const { return Row(lNumber).OffSet; }
void cRFH::SetOffSet(std::int32_t lNumber, std::int32_t NewValue) { Row(lNumber).OffSet = NewValue; }

}  // namespace varnok
