#include "formats/cBAG.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <limits>

#include "formats/FormatError.h"
#include "formats/io/ByteReader.h"
#include "formats/io/File.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic = "GABA";
constexpr std::int32_t kWrittenRecordLength = 64;

// Bits of a record's Type that shape the WAVE header.
constexpr std::int32_t kTypeStereo = 1;
constexpr std::int32_t kType16Bit = 4;
constexpr std::uint32_t kFallbackSampleRate = 11025;

using WaveHeaderBytes = std::array<std::uint8_t, cBAG::kWaveHeaderSize>;
using HeaderBytes = std::array<std::uint8_t, cBAG::kHeaderSize>;

[[noreturn]] void Fail(FormatErrorKind kind, const std::string& message) { throw FormatError(kind, message); }

std::string Quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%" PRIX64, value);
    return text;
}

bool HasSignature(std::span<const std::uint8_t> head) {
    ByteReader r(head);
    const auto magic = r.bytes(kMagic.size());
    const std::int32_t gameType = r.i32le();
    return r.ok() && std::equal(magic.begin(), magic.end(), kMagic.begin()) && gameType == cBAG::kGameType;
}

std::string_view Extension(std::int32_t type) {
    switch (type) {
        case 2:
        case 6:
        case 22:
            return ".w";
        case 12:
        case 28:
            return ".cmp";
        case 37:
            return ".mp3";
        default:
            return {};
    }
}

HeaderBytes EncodeHeader(std::int32_t recordCount) {
    HeaderBytes out{};
    std::copy(kMagic.begin(), kMagic.end(), out.begin());
    PutI32le(&out[4], cBAG::kGameType);
    PutI32le(&out[8], recordCount);
    PutI32le(&out[12], kWrittenRecordLength);
    return out;
}

BAGHeader ReadHeader(const InputFile& in) {
    if (in.size() < cBAG::kHeaderSize) {
        Fail(FormatErrorKind::Corrupt,
             Quoted(in.path()) + " is cut short: the BAG header needs 16 bytes, but the file ends at offset " +
                 Hex(in.size()));
    }
    const Bytes raw = in.readExactly(0, cBAG::kHeaderSize);
    ByteReader r(raw);
    BAGHeader header;
    const auto magic = r.bytes(kMagic.size());
    header.Magic.assign(magic.begin(), magic.end());
    header.GameType = r.i32le();
    header.RecordCount = r.i32le();
    header.RecordLength = r.i32le();
    return header;
}

// The count decides how much is read, so it is held against the table's limit and
// against the bytes the file really has before anything is allocated.
void CheckRecordCount(const InputFile& in, std::int32_t count) {
    if (count < 0 || count > cBAG::kMaxRecords) {
        Fail(FormatErrorKind::Range, Quoted(in.path()) + " claims " + std::to_string(count) +
                                         " entries, but a BAG archive holds 0 to 5000");
    }
    const std::uint64_t tableEnd = cBAG::kHeaderSize + cBAG::kRecordSize * static_cast<std::uint64_t>(count);
    if (in.size() < tableEnd) {
        Fail(FormatErrorKind::Corrupt, Quoted(in.path()) + " is cut short: its " + std::to_string(count) +
                                           " records end at offset " + Hex(tableEnd) +
                                           ", but the file ends at offset " + Hex(in.size()));
    }
}

BAGRecord ParseRecord(ByteReader& r) {
    BAGRecord record;
    const auto name = r.bytes(cBAG::kNameSize);
    std::copy(name.begin(), name.end(), record.Name.begin());
    record.OffSet = r.i32le();
    record.Size = r.i32le();
    record.Frequency = r.i32le();
    record.Type = r.i32le();
    record.ExtraInfo = r.i32le();
    for (std::int32_t& field : record.Unused) field = r.i32le();
    return record;
}

// Records sit 64 bytes apart whatever the header's RecordLength says.
std::vector<BAGRecord> ReadRecords(const InputFile& in, std::int32_t count) {
    const Bytes raw = in.readExactly(cBAG::kHeaderSize, cBAG::kRecordSize * static_cast<std::size_t>(count));
    ByteReader r(raw);
    std::vector<BAGRecord> rows(cBAG::kMaxRecords);
    for (std::int32_t i = 0; i < count; ++i) rows[static_cast<std::size_t>(i)] = ParseRecord(r);
    return rows;
}

void CheckEntryData(const InputFile& in, std::int32_t lNumber, const BAGRecord& record) {
    const std::string which = "record " + std::to_string(lNumber) + " of " + Quoted(in.path());
    if (record.OffSet < 0 || record.Size < 0) {
        Fail(FormatErrorKind::Corrupt, which + " has a negative offset or size (offset " +
                                           std::to_string(record.OffSet) + ", size " + std::to_string(record.Size) +
                                           ")");
    }
    const std::uint64_t end = static_cast<std::uint64_t>(record.OffSet) + static_cast<std::uint64_t>(record.Size);
    if (end > in.size()) {
        Fail(FormatErrorKind::Corrupt, which + " points past the end of the file at offset " + Hex(in.size()) +
                                           ": its data runs from " + Hex(static_cast<std::uint64_t>(record.OffSet)) +
                                           " to " + Hex(end));
    }
}

// A canonical 44-byte PCM header whose format fields come from the record. The
// size fields fit: Size is non-negative and no larger than the BAG file.
WaveHeaderBytes WaveHeader(const BAGRecord& record) {
    const std::uint16_t channels = (record.Type & kTypeStereo) ? 2 : 1;
    const std::uint16_t bitsPerSample = (record.Type & kType16Bit) ? 16 : 8;
    const std::uint32_t sampleRate =
        record.Frequency > 0 ? static_cast<std::uint32_t>(record.Frequency) : kFallbackSampleRate;
    const auto blockAlign = static_cast<std::uint16_t>(channels * bitsPerSample / 8);
    const auto bytesPerSecond = static_cast<std::uint32_t>(std::uint64_t{sampleRate} * blockAlign);
    const auto dataSize = static_cast<std::uint32_t>(record.Size);

    WaveHeaderBytes out{};
    auto text = [&out](std::size_t at, std::string_view chars) { std::copy(chars.begin(), chars.end(), &out[at]); };
    text(0, "RIFF");
    PutU32le(&out[4], dataSize + 36);
    text(8, "WAVEfmt ");
    PutU32le(&out[16], 16);  // length of the fmt chunk
    PutU16le(&out[20], 1);   // PCM
    PutU16le(&out[22], channels);
    PutU32le(&out[24], sampleRate);
    PutU32le(&out[28], bytesPerSecond);
    PutU16le(&out[32], blockAlign);
    PutU16le(&out[34], bitsPerSample);
    text(36, "data");
    PutU32le(&out[40], dataSize);
    return out;
}

void CheckWriteEntry(const fs::path& file, std::size_t index, const BAGWriteEntry& entry, std::uint64_t offset) {
    const std::string which = "entry " + std::to_string(index + 1) + " of " + Quoted(file);
    if (entry.name.size() > cBAG::kNameSize) {
        Fail(FormatErrorKind::Range, which + " is named \"" + entry.name + "\", longer than the 32 bytes a name holds");
    }
    constexpr auto kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    if (offset + entry.data.size() > kMaxOffset) {
        Fail(FormatErrorKind::Range, which + " would end beyond the 2 GiB a BAG archive can address");
    }
}

void EncodeRecord(std::uint8_t* out, const BAGWriteEntry& entry, std::uint64_t offset) {
    std::copy(entry.name.begin(), entry.name.end(), out);
    PutI32le(out + 32, static_cast<std::int32_t>(offset));
    PutI32le(out + 36, static_cast<std::int32_t>(entry.data.size()));
    PutI32le(out + 40, entry.frequency);
    PutI32le(out + 44, entry.type);
    PutI32le(out + 48, entry.extraInfo);
}

}  // namespace

cBAG::cBAG() : records_(kMaxRecords) {}

void cBAG::SetConvertQuestion(ConvertQuestion ask) { ask_ = std::move(ask); }

const fs::path& cBAG::Resolve(const fs::path& BAGFile) const { return BAGFile.empty() ? path_ : BAGFile; }

const BAGRecord& cBAG::Row(std::int32_t lNumber) const {
    if (lNumber < 1 || lNumber > kMaxRecords) {
        Fail(FormatErrorKind::Range,
             "entry number " + std::to_string(lNumber) + " is outside the BAG table of entries 1 to 5000");
    }
    return records_[static_cast<std::size_t>(lNumber - 1)];
}

bool cBAG::BAGValid(const fs::path& BAGFile) const {
    const fs::path& file = Resolve(BAGFile);
    if (file.empty()) return false;
    std::array<std::uint8_t, 8> head{};
    try {
        InputFile in(file);
        if (in.readAt(0, head) != head.size()) return false;
    } catch (const FormatError&) {
        return false;  // a stale or unreadable path is simply not a BAG archive
    }
    return HasSignature(head);
}

void cBAG::BAGCreate(const fs::path& BAGFile) {
    WriteFileAtomically(BAGFile, EncodeHeader(0));
    BAGClose();
    path_ = BAGFile;
    header_ = {std::string(kMagic), kGameType, 0, kWrittenRecordLength};
}

void cBAG::BAGOpen(const fs::path& BAGFile) {
    if (!BAGValid(BAGFile)) return;
    const fs::path file = Resolve(BAGFile);
    // Everything is read into locals first, so a failure leaves the open archive as it was.
    InputFile in(file);
    BAGHeader header = ReadHeader(in);
    CheckRecordCount(in, header.RecordCount);
    std::vector<BAGRecord> rows = ReadRecords(in, header.RecordCount);
    path_ = file;
    header_ = std::move(header);
    records_ = std::move(rows);
}

void cBAG::BAGClose() {
    path_.clear();
    header_ = {};
    std::fill(records_.begin(), records_.end(), BAGRecord{});
}

bool cBAG::AskToConvert(const BAGRecord& record) const {
    if (record.Type != 2 && record.Type != 6) return false;
    return ask_ ? ask_(std::string(kConvertQuestion)) : false;
}

void cBAG::BAGExtractFile(std::int32_t lNumber, const fs::path& ExtractAs) {
    const BAGRecord& record = Row(lNumber);
    if (path_.empty()) {
        Fail(FormatErrorKind::InputOutput,
             "no BAG archive is open to extract entry " + std::to_string(lNumber) + " from");
    }
    InputFile in(path_);
    CheckEntryData(in, lNumber, record);
    const bool convert = AskToConvert(record);
    ReplacementFile out(ExtractAs);
    if (convert) out.write(WaveHeader(record));
    out.copyFrom(in, static_cast<std::uint64_t>(record.OffSet), static_cast<std::uint64_t>(record.Size));
    out.commit();
}

void cBAG::BAGAddFile(const fs::path& /*sFilename*/) {}

std::string cBAG::BAGGetFileName(std::int32_t lNumber) const {
    const BAGRecord& record = Row(lNumber);
    const std::string_view extension = Extension(record.Type);
    if (extension.empty()) return {};
    std::string name(record.Name.begin(), std::find(record.Name.begin(), record.Name.end(), '\0'));
    name += extension;
    return name;
}

std::int32_t cBAG::BAGGetFileSize(std::int32_t lNumber) const { return Row(lNumber).Size; }
std::int32_t cBAG::BAGGetFileOffSet(std::int32_t lNumber) const { return Row(lNumber).OffSet; }
std::int32_t cBAG::BAGGetFileCount() const { return header_.RecordCount; }
std::int32_t cBAG::BAGGetFileFrequency(std::int32_t lNumber) const { return Row(lNumber).Frequency; }
std::int32_t cBAG::BAGGetFileType(std::int32_t lNumber) const { return Row(lNumber).Type; }
std::int32_t cBAG::BAGGetFileExtraInfo(std::int32_t lNumber) const { return Row(lNumber).ExtraInfo; }
std::int32_t cBAG::BAGGetGameType(std::int32_t /*lNumber*/) const { return header_.GameType; }
std::int32_t cBAG::BAGGetFileRecordLength() const { return header_.RecordLength; }

void cBAG::BAGWrite(const fs::path& BAGFile, std::span<const BAGWriteEntry> entries) {
    if (entries.size() > static_cast<std::size_t>(kMaxRecords)) {
        Fail(FormatErrorKind::Range, Quoted(BAGFile) + " cannot hold " + std::to_string(entries.size()) +
                                         " entries; a BAG archive holds at most 5000");
    }
    const auto count = static_cast<std::int32_t>(entries.size());
    Bytes table(kHeaderSize + kRecordSize * entries.size());
    const HeaderBytes header = EncodeHeader(count);
    std::copy(header.begin(), header.end(), table.begin());

    std::uint64_t offset = table.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        CheckWriteEntry(BAGFile, i, entries[i], offset);
        EncodeRecord(&table[kHeaderSize + kRecordSize * i], entries[i], offset);
        offset += entries[i].data.size();
    }

    ReplacementFile out(BAGFile);
    out.write(table);
    for (const BAGWriteEntry& entry : entries) out.write(entry.data);
    out.commit();
}

}  // namespace varnok
