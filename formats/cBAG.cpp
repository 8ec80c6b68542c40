#include "formats/cBAG.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "formats/FormatError.h"
#include "formats/audio/Hex.h"
#include "formats/audio/ImaAdpcm.h"
#include "formats/audio/MpegHeader.h"
#include "formats/audio/Wave.h"
#include "formats/io/ByteReader.h"
#include "formats/io/File.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic = "GABA";
constexpr std::int32_t kWrittenRecordLength = 64;

// The flags of a record's Type. 16 is set on the game's ADPCM records; what it
// means is not known, so records written here copy the game's values.
constexpr std::int32_t kTypeStereo = 1;
constexpr std::int32_t kTypePcm = 2;
constexpr std::int32_t kType16Bit = 4;
constexpr std::int32_t kTypeAdpcm = 8;
constexpr std::int32_t kTypeGameAdpcm = 16;
constexpr std::int32_t kTypeMp3 = 32;
constexpr std::uint32_t kFallbackSampleRate = 11025;
constexpr auto kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());

using HeaderBytes = std::array<std::uint8_t, cBAG::kHeaderSize>;

enum class SoundKind { Pcm, Adpcm, Mp3, Other };

// MP3 before ADPCM before PCM: the one kind a record's flags name.
SoundKind KindOf(std::int32_t type) {
    if (type & kTypeMp3) return SoundKind::Mp3;
    if (type & kTypeAdpcm) return SoundKind::Adpcm;
    if (type & kTypePcm) return SoundKind::Pcm;
    return SoundKind::Other;
}

bool Convertible(std::int32_t type) {
    const SoundKind kind = KindOf(type);
    return kind == SoundKind::Pcm || kind == SoundKind::Adpcm;
}

unsigned Channels(std::int32_t type) { return (type & kTypeStereo) ? 2 : 1; }

std::uint32_t SampleRate(const BAGRecord& record) {
    return record.Frequency > 0 ? static_cast<std::uint32_t>(record.Frequency) : kFallbackSampleRate;
}

[[noreturn]] void Fail(FormatErrorKind kind, const std::string& message) { throw FormatError(kind, message); }

std::string Quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

using audio::Hex;

bool HasSignature(std::span<const std::uint8_t> head) {
    ByteReader r(head);
    const auto magic = r.bytes(kMagic.size());
    const std::int32_t gameType = r.i32le();
    return r.ok() && std::equal(magic.begin(), magic.end(), kMagic.begin()) && gameType == cBAG::kGameType;
}

std::string_view Extension(std::int32_t type) {
    switch (KindOf(type)) {
        case SoundKind::Pcm: return ".w";
        case SoundKind::Adpcm: return ".cmp";
        case SoundKind::Mp3: return ".mp3";
        case SoundKind::Other: break;
    }
    return {};
}

std::string StoredName(const BAGRecord& record) {
    return std::string(record.Name.begin(), std::find(record.Name.begin(), record.Name.end(), '\0'));
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return fold(x) == fold(y); });
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
        Fail(FormatErrorKind::Range,
             Quoted(in.path()) + " claims " + std::to_string(count) + " entries, but a BAG archive holds 0 to 5000");
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

std::string RecordOf(const fs::path& file, std::int32_t lNumber) {
    return "record " + std::to_string(lNumber) + " of " + Quoted(file);
}

void CheckEntryData(const InputFile& in, std::int32_t lNumber, const BAGRecord& record) {
    const auto which = [&] { return RecordOf(in.path(), lNumber); };  // only for a failure
    if (record.OffSet < 0 || record.Size < 0) {
        Fail(FormatErrorKind::Corrupt, which() + " has a negative offset or size (offset " +
                                           std::to_string(record.OffSet) + ", size " + std::to_string(record.Size) +
                                           ")");
    }
    const std::uint64_t end = static_cast<std::uint64_t>(record.OffSet) + static_cast<std::uint64_t>(record.Size);
    if (end > in.size()) {
        Fail(FormatErrorKind::Corrupt, which() + " points past the end of the file at offset " + Hex(in.size()) +
                                           ": its data runs from " + Hex(static_cast<std::uint64_t>(record.OffSet)) +
                                           " to " + Hex(end));
    }
}

Bytes EntryData(const InputFile& in, const BAGRecord& record) {
    return in.readExactly(static_cast<std::uint64_t>(record.OffSet), static_cast<std::size_t>(record.Size));
}

// A canonical 44-byte PCM header whose format fields come from the record's flags
// and Frequency.
audio::PcmWaveHeaderBytes PcmHeaderFor(const BAGRecord& record) {
    return audio::PcmWaveHeader(Channels(record.Type), SampleRate(record), (record.Type & kType16Bit) ? 16 : 8,
                                static_cast<std::uint64_t>(record.Size));
}

// An ADPCM record's data as a 16-bit PCM WAVE file, whose blocks are ExtraInfo bytes.
// The data is read and decoded a piece at a time, each piece written as it is done;
// a block that does not decode fails the write before the target is touched.
void WriteDecodedWave(const InputFile& in, std::int32_t lNumber, const BAGRecord& record, ReplacementFile& out) {
    constexpr std::size_t kPieceBytes = 64 * 1024;  // of ADPCM data: 256 KB of samples
    const unsigned channels = Channels(record.Type);
    const std::size_t blockAlign = record.ExtraInfo > 0 ? static_cast<std::size_t>(record.ExtraInfo) : 0;
    audio::ImaPcmDecoder decoder(channels, blockAlign, RecordOf(in.path(), lNumber));
    const auto size = static_cast<std::size_t>(record.Size);
    const auto header =
        audio::PcmWaveHeader(channels, SampleRate(record), 16, audio::ImaPcmBytes(size, channels, blockAlign));
    const std::size_t piece = std::min(size, std::max(blockAlign, kPieceBytes / blockAlign * blockAlign));
    // Filled before they are read; the first piece's samples follow the header in one write.
    const std::unique_ptr<std::uint8_t[]> data(new std::uint8_t[piece]);
    const std::size_t pcmSize = header.size() + audio::ImaPcmBytes(piece, channels, blockAlign);
    const std::unique_ptr<std::uint8_t[]> pcm(new std::uint8_t[pcmSize]);
    std::copy(header.begin(), header.end(), pcm.get());
    std::size_t headerLeft = header.size();
    for (std::size_t done = 0; done < size;) {
        const std::size_t want = std::min(piece, size - done);
        const auto from = static_cast<std::uint64_t>(record.OffSet) + done;
        if (in.readAtUnbuffered(from, std::span(data.get(), want)) != want) {
            Fail(FormatErrorKind::InputOutput, Quoted(in.path()) + " shrank while it was read");
        }
        const std::size_t decoded = decoder.decode(std::span(data.get(), want), pcm.get() + headerLeft);
        out.write(pcm.get(), headerLeft + decoded);
        headerLeft = 0;
        done += want;
    }
    if (headerLeft != 0) out.write(pcm.get(), headerLeft);  // no data: the header alone
}

// The same in memory.
Bytes DecodedWave(const InputFile& in, std::int32_t lNumber, const BAGRecord& record) {
    const Bytes data = EntryData(in, record);
    const std::size_t blockAlign = record.ExtraInfo > 0 ? static_cast<std::size_t>(record.ExtraInfo) : 0;
    const std::vector<std::int16_t> samples =
        audio::ImaDecode(data, Channels(record.Type), blockAlign, RecordOf(in.path(), lNumber));
    const auto header = audio::PcmWaveHeader(Channels(record.Type), SampleRate(record), 16, samples.size() * 2);
    Bytes out(header.begin(), header.end());
    const Bytes pcm = audio::Pcm16Bytes(samples);
    out.insert(out.end(), pcm.begin(), pcm.end());
    return out;
}

void CheckWriteEntry(const fs::path& file, std::size_t index, const BAGWriteEntry& entry, std::uint64_t offset) {
    const std::string which = "entry " + std::to_string(index + 1) + " of " + Quoted(file);
    if (entry.name.size() > cBAG::kNameSize) {
        Fail(FormatErrorKind::Range, which + " is named \"" + entry.name + "\", longer than the 32 bytes a name holds");
    }
    if (offset + entry.data.size() > kMaxOffset) {
        Fail(FormatErrorKind::Range, which + " would end beyond the 2 GiB a BAG archive can address");
    }
}

void EncodeRecord(std::uint8_t* out, const BAGRecord& record) {
    std::copy(record.Name.begin(), record.Name.end(), out);
    PutI32le(out + 32, record.OffSet);
    PutI32le(out + 36, record.Size);
    PutI32le(out + 40, record.Frequency);
    PutI32le(out + 44, record.Type);
    PutI32le(out + 48, record.ExtraInfo);
    for (std::size_t i = 0; i < record.Unused.size(); ++i) PutI32le(out + 52 + 4 * i, record.Unused[i]);
}

BAGRecord RecordNamed(const std::string& name) {
    BAGRecord record;
    std::copy(name.begin(), name.end(), record.Name.begin());
    return record;
}

// What a sound file becomes in a record.
using Sound = BAGSound;

bool IsMp3Name(const fs::path& file) { return SameNameIgnoringCase(file.extension().string(), ".mp3"); }

std::int32_t Frequency(std::uint32_t rate, const std::string& what) {
    if (rate > kMaxOffset) {
        Fail(FormatErrorKind::Range,
             what + " gives a sample rate of " + std::to_string(rate) + " Hz, more than a record holds");
    }
    return static_cast<std::int32_t>(rate);
}

// The frames after any ID3v2 tags: the game plays the frames, not the tags.
Sound Mp3Sound(const Bytes& bytes, const std::string& what) {
    const audio::MpegStart start = audio::FindFirstMpegFrame(bytes, what);
    Sound sound;
    sound.type = kTypeMp3 | kType16Bit | (start.header.channels == 2 ? kTypeStereo : 0);
    sound.frequency = Frequency(start.header.sampleRate, what);
    sound.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(start.offset), bytes.end());
    return sound;
}

// 8-bit PCM is stored widened to 16 bits, as every record of the game is: readers
// disagree on what a record without the 16-bit flag holds, never on one with it.
// ADPCM records take the block size the Microsoft encoder uses for the rate (512
// bytes for mono at 22050 Hz), the same layout as the game's own records.
Sound WaveFileSound(const Bytes& bytes, bool adpcm, const std::string& what) {
    const audio::WaveSound wave = audio::ReadWave(bytes, what);
    const audio::WaveFormat& f = wave.format;
    Sound sound;
    sound.frequency = Frequency(f.sampleRate, what);
    const std::int32_t stereo = f.channels == 2 ? kTypeStereo : 0;
    const std::int32_t adpcmType = kTypeGameAdpcm | kTypeAdpcm | kType16Bit | stereo;
    if (f.encoding == audio::WaveEncoding::ImaAdpcm && adpcm && audio::ImaValidBlockAlign(f.blockAlign, f.channels)) {
        sound.type = adpcmType;
        sound.extraInfo = static_cast<std::int32_t>(f.blockAlign);
        sound.data.assign(wave.data.begin(), wave.data.end());
    } else if (f.encoding == audio::WaveEncoding::Pcm && f.bitsPerSample == 16 && !adpcm) {
        sound.type = kTypePcm | kType16Bit | stereo;
        sound.data.assign(wave.data.begin(), wave.data.end());
    } else if (adpcm) {
        const std::size_t blockAlign = audio::ImaDefaultBlockAlign(f.sampleRate, f.channels);
        sound.type = adpcmType;
        sound.extraInfo = static_cast<std::int32_t>(blockAlign);
        sound.data = audio::ImaEncode(audio::WaveSamples16(wave, what), f.channels, blockAlign);
    } else {
        sound.type = kTypePcm | kType16Bit | stereo;
        sound.data = audio::Pcm16Bytes(audio::WaveSamples16(wave, what));
    }
    return sound;
}

Sound SoundFromFile(const fs::path& file, bool adpcm) {
    const Bytes bytes = ReadWholeFile(file);
    const std::string what = Quoted(file);
    return IsMp3Name(file) ? Mp3Sound(bytes, what) : WaveFileSound(bytes, adpcm, what);
}

}  // namespace

struct cBAG::Planned {
    BAGRecord record;           // OffSet and Size are set as the new file is laid out
    std::int32_t keptFrom = 0;  // the entry whose data the old file holds, or 0 for `data`
    Bytes data;
};

cBAG::cBAG() : records_(kMaxRecords) {}

void cBAG::SetConvertQuestion(ConvertQuestion ask) { ask_ = std::move(ask); }

void cBAG::SetConvertQuestion(std::function<bool(const std::string& question)> ask) {
    if (!ask) {
        ask_ = nullptr;
        return;
    }
    ask_ = [ask = std::move(ask)](const std::string& question) {
        return ask(question) ? ConvertAnswer::Yes : ConvertAnswer::No;
    };
}

void cBAG::BAGResetConvertAnswer() { convertAll_.reset(); }

const fs::path& cBAG::Resolve(const fs::path& BAGFile) const { return BAGFile.empty() ? path_ : BAGFile; }

const BAGRecord& cBAG::Row(std::int32_t lNumber) const {
    if (lNumber < 1 || lNumber > kMaxRecords) {
        Fail(FormatErrorKind::Range,
             "entry number " + std::to_string(lNumber) + " is outside the BAG table of entries 1 to 5000");
    }
    return records_[static_cast<std::size_t>(lNumber - 1)];
}

std::int32_t cBAG::ExistingRow(std::int32_t lNumber) const {
    if (path_.empty()) Fail(FormatErrorKind::InputOutput, "no BAG archive is open to change");
    if (lNumber < 1 || lNumber > header_.RecordCount) {
        Fail(FormatErrorKind::Range, "entry number " + std::to_string(lNumber) + " is not in " + Quoted(path_) +
                                         ", which holds entries 1 to " + std::to_string(header_.RecordCount));
    }
    return lNumber;
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

bool cBAG::BAGCanConvert(std::int32_t lNumber) const { return Convertible(Row(lNumber).Type); }

bool cBAG::BAGIsAdpcm(std::int32_t lNumber) const { return KindOf(Row(lNumber).Type) == SoundKind::Adpcm; }

bool cBAG::BAGAskToConvert(std::int32_t lNumber) {
    if (!BAGCanConvert(lNumber)) return false;
    if (convertAll_) return *convertAll_;
    if (!ask_) return false;
    switch (ask_(std::string(kConvertQuestion))) {
        case ConvertAnswer::Yes: return true;
        case ConvertAnswer::No: return false;
        case ConvertAnswer::YesToAll: convertAll_ = true; return true;
        case ConvertAnswer::NoToAll: convertAll_ = false; return false;
    }
    return false;
}

void cBAG::BAGExtractFile(std::int32_t lNumber, const fs::path& ExtractAs) {
    const BAGRecord& record = Row(lNumber);
    if (path_.empty()) {
        Fail(FormatErrorKind::InputOutput,
             "no BAG archive is open to extract entry " + std::to_string(lNumber) + " from");
    }
    CheckEntryData(InputFile(path_), lNumber, record);  // a broken entry fails before anyone is asked
    BAGExtractFile(lNumber, ExtractAs, BAGAskToConvert(lNumber));
}

void cBAG::BAGExtractFile(std::int32_t lNumber, const fs::path& ExtractAs, bool convert) const {
    if (path_.empty()) {
        Row(lNumber);
        Fail(FormatErrorKind::InputOutput,
             "no BAG archive is open to extract entry " + std::to_string(lNumber) + " from");
    }
    BAGExtractFile(lNumber, ExtractAs, convert, InputFile(path_));
}

std::unique_ptr<const InputFile> cBAG::BAGOpenForExtraction() const {
    if (path_.empty()) Fail(FormatErrorKind::InputOutput, "no BAG archive is open to extract from");
    return std::make_unique<const InputFile>(path_);
}

void cBAG::BAGExtractFile(std::int32_t lNumber, const fs::path& ExtractAs, bool convert, const InputFile& in) const {
    const BAGRecord& record = Row(lNumber);
    CheckEntryData(in, lNumber, record);
    const SoundKind kind = convert ? KindOf(record.Type) : SoundKind::Other;
    // An extracted copy need not reach the disk before it takes its name, as the
    // archive still holds the entry; it is written without a name, so that broken
    // ADPCM data found half-way, or a killed process, leaves the target alone.
    ReplacementFile out(ExtractAs, ReplacementFile::Sync::ProcessSafe, ReplacementFile::Staging::Unnamed,
                        ReplacementFile::Target::NotArchiveFile);
    if (kind == SoundKind::Adpcm) {
        WriteDecodedWave(in, lNumber, record, out);
    } else {
        if (kind == SoundKind::Pcm) out.write(PcmHeaderFor(record));
        out.copyFrom(in, static_cast<std::uint64_t>(record.OffSet), static_cast<std::uint64_t>(record.Size));
    }
    out.commit();
}

std::vector<std::uint8_t> cBAG::BAGReadFile(std::int32_t lNumber, bool convert) const {
    const BAGRecord& record = Row(lNumber);
    if (path_.empty()) {
        Fail(FormatErrorKind::InputOutput, "no BAG archive is open to read entry " + std::to_string(lNumber) + " from");
    }
    return BAGReadRecord(path_, lNumber, record, convert);
}

std::vector<std::uint8_t> cBAG::BAGReadRecord(const fs::path& BAGFile, std::int32_t lNumber, const BAGRecord& record,
                                              bool convert, std::size_t MaxBytes) {
    InputFile in(BAGFile);
    CheckEntryData(in, lNumber, record);
    const SoundKind kind = convert ? KindOf(record.Type) : SoundKind::Other;
    Bytes out;
    if (kind == SoundKind::Adpcm) {
        out = DecodedWave(in, lNumber, record);
    } else {
        if (kind == SoundKind::Pcm) {
            const auto header = PcmHeaderFor(record);
            out.assign(header.begin(), header.end());
        }
        const std::size_t wanted = MaxBytes > out.size() ? MaxBytes - out.size() : 0;
        const Bytes data = in.readExactly(static_cast<std::uint64_t>(record.OffSet),
                                          std::min(static_cast<std::size_t>(record.Size), wanted));
        out.insert(out.end(), data.begin(), data.end());
    }
    if (out.size() > MaxBytes) out.resize(MaxBytes);
    return out;
}

std::string cBAG::BAGGetFileName(std::int32_t lNumber) const {
    const BAGRecord& record = Row(lNumber);
    return StoredName(record) + std::string(Extension(record.Type));
}

std::string cBAG::BAGGetStoredName(std::int32_t lNumber) const { return StoredName(Row(lNumber)); }

std::string cBAG::BAGGetConvertedName(std::int32_t lNumber) const { return StoredName(Row(lNumber)) + ".wav"; }

std::int32_t cBAG::BAGGetFileSize(std::int32_t lNumber) const { return Row(lNumber).Size; }
std::int32_t cBAG::BAGGetFileOffSet(std::int32_t lNumber) const { return Row(lNumber).OffSet; }
std::int32_t cBAG::BAGGetFileCount() const { return header_.RecordCount; }
std::int32_t cBAG::BAGGetFileFrequency(std::int32_t lNumber) const { return Row(lNumber).Frequency; }
std::int32_t cBAG::BAGGetFileType(std::int32_t lNumber) const { return Row(lNumber).Type; }
std::int32_t cBAG::BAGGetFileExtraInfo(std::int32_t lNumber) const { return Row(lNumber).ExtraInfo; }
std::int32_t cBAG::BAGGetGameType(std::int32_t /*lNumber*/) const { return header_.GameType; }
std::int32_t cBAG::BAGGetFileRecordLength() const { return header_.RecordLength; }

// --- Edits ------------------------------------------------------------------

void cBAG::BAGCheckName(const std::string& name) {
    if (name.empty()) Fail(FormatErrorKind::Range, "a BAG entry needs a name");
    if (name.size() > kNameSize) {
        Fail(FormatErrorKind::Range, "the name \"" + name + "\" is " + std::to_string(name.size()) +
                                         " bytes long; a BAG entry's name holds at most 32");
    }
    const bool storable = std::none_of(
        name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == '/' || c == '\\'; });
    if (!storable) {
        Fail(FormatErrorKind::Range,
             "the name \"" + name + "\" cannot be stored: it holds a control character, '/' or '\\'");
    }
}

std::int32_t cBAG::BAGFindFile(const std::string& name) const {
    for (std::int32_t n = 1; n <= header_.RecordCount; ++n) {
        if (SameNameIgnoringCase(StoredName(records_[static_cast<std::size_t>(n - 1)]), name)) return n;
    }
    return 0;
}

std::vector<cBAG::Planned> cBAG::KeepAll() const {
    if (path_.empty()) Fail(FormatErrorKind::InputOutput, "no BAG archive is open to change");
    std::vector<Planned> plan(static_cast<std::size_t>(header_.RecordCount));
    for (std::size_t i = 0; i < plan.size(); ++i) {
        plan[i].record = records_[i];
        plan[i].keptFrom = static_cast<std::int32_t>(i + 1);
    }
    return plan;
}

// Lays the records out as BAGWrite does (header, table, data in record order) and
// replaces the archive with them; only then does this object take the new table.
void cBAG::Rewrite(std::vector<Planned> plan) {
    if (plan.size() > static_cast<std::size_t>(kMaxRecords)) {
        Fail(FormatErrorKind::Range, Quoted(path_) + " cannot hold " + std::to_string(plan.size()) +
                                         " entries; a BAG archive holds at most 5000");
    }
    std::optional<InputFile> in(std::in_place, path_);
    const auto count = static_cast<std::int32_t>(plan.size());
    Bytes table(kHeaderSize + kRecordSize * plan.size());
    const HeaderBytes header = EncodeHeader(count);
    std::copy(header.begin(), header.end(), table.begin());
    std::vector<std::uint64_t> from(plan.size());
    std::uint64_t offset = table.size();
    for (std::size_t i = 0; i < plan.size(); ++i) {
        BAGRecord& record = plan[i].record;
        if (plan[i].keptFrom != 0) {
            CheckEntryData(*in, plan[i].keptFrom, record);
            from[i] = static_cast<std::uint64_t>(record.OffSet);
        } else {
            record.Size = static_cast<std::int32_t>(std::min<std::uint64_t>(plan[i].data.size(), kMaxOffset));
        }
        if (offset + static_cast<std::uint64_t>(record.Size) > kMaxOffset || plan[i].data.size() > kMaxOffset) {
            Fail(FormatErrorKind::Range, "entry " + std::to_string(i + 1) + " of " + Quoted(path_) +
                                             " would end beyond the 2 GiB a BAG archive can address");
        }
        record.OffSet = static_cast<std::int32_t>(offset);
        EncodeRecord(&table[kHeaderSize + kRecordSize * i], record);
        offset += static_cast<std::uint64_t>(record.Size);
    }

    // Unnamed until it takes the archive's name: a process killed while writing
    // leaves no copy of the archive behind.
    ReplacementFile out(path_, ReplacementFile::Sync::Durable, ReplacementFile::Staging::Unnamed);
    out.write(table);
    for (std::size_t i = 0; i < plan.size(); ++i) {
        if (plan[i].keptFrom != 0) {
            out.copyFrom(*in, from[i], static_cast<std::uint64_t>(plan[i].record.Size));
        } else {
            out.write(plan[i].data);
        }
    }
    out.finish();
    in.reset();  // the old file is closed before the new one takes its name
    out.commit();

    header_ = {std::string(kMagic), kGameType, count, kWrittenRecordLength};
    std::fill(records_.begin(), records_.end(), BAGRecord{});
    for (std::size_t i = 0; i < plan.size(); ++i) records_[i] = plan[i].record;
}

std::int32_t cBAG::BAGAddFile(const fs::path& sFilename, const BAGSoundOptions& options) {
    return BAGAddFiles(std::span(&sFilename, 1), options);
}

std::int32_t cBAG::BAGAddFiles(std::span<const fs::path> files, const BAGSoundOptions& options) {
    std::vector<Planned> plan = KeepAll();
    const std::int32_t first = header_.RecordCount + 1;
    if (plan.size() + files.size() > static_cast<std::size_t>(kMaxRecords)) {
        Fail(FormatErrorKind::Range, Quoted(path_) + " holds " + std::to_string(plan.size()) + " entries; " +
                                         std::to_string(files.size()) + " more would pass the 5000 it can hold");
    }
    for (const fs::path& file : files) {
        const std::string name = options.name.empty() ? file.stem().string() : options.name;
        BAGCheckName(name);
        Sound sound = SoundFromFile(file, options.adpcm);
        Planned added{RecordNamed(name), 0, std::move(sound.data)};
        added.record.Frequency = sound.frequency;
        added.record.Type = sound.type;
        added.record.ExtraInfo = sound.extraInfo;
        plan.push_back(std::move(added));
    }
    Rewrite(std::move(plan));
    return first;
}

void cBAG::BAGReplaceFile(std::int32_t lNumber, const fs::path& sFilename, bool adpcm) {
    ExistingRow(lNumber);
    std::vector<Planned> plan = KeepAll();
    Sound sound = SoundFromFile(sFilename, adpcm);
    Planned& replaced = plan[static_cast<std::size_t>(lNumber - 1)];
    replaced.keptFrom = 0;
    replaced.data = std::move(sound.data);
    replaced.record.Frequency = sound.frequency;
    replaced.record.Type = sound.type;
    replaced.record.ExtraInfo = sound.extraInfo;
    Rewrite(std::move(plan));
}

BAGSound cBAG::BAGReadSound(const fs::path& sFilename, bool adpcm) { return SoundFromFile(sFilename, adpcm); }

std::int32_t cBAG::BAGApplyChanges(std::vector<BAGChange> changes) {
    std::vector<Planned> plan = KeepAll();
    const std::int32_t first = header_.RecordCount + 1;
    for (BAGChange& change : changes) {
        if (change.replaces != 0) {
            Planned& replaced = plan[static_cast<std::size_t>(ExistingRow(change.replaces) - 1)];
            replaced.keptFrom = 0;
            replaced.data = std::move(change.sound.data);
            replaced.record.Frequency = change.sound.frequency;
            replaced.record.Type = change.sound.type;
            replaced.record.ExtraInfo = change.sound.extraInfo;
            continue;
        }
        BAGCheckName(change.name);
        Planned added{RecordNamed(change.name), 0, std::move(change.sound.data)};
        added.record.Frequency = change.sound.frequency;
        added.record.Type = change.sound.type;
        added.record.ExtraInfo = change.sound.extraInfo;
        plan.push_back(std::move(added));
    }
    Rewrite(std::move(plan));
    return first;
}

void cBAG::BAGRemoveFiles(std::span<const std::int32_t> numbers) {
    std::vector<bool> removed(static_cast<std::size_t>(header_.RecordCount) + 1, false);
    for (std::int32_t n : numbers) removed[static_cast<std::size_t>(ExistingRow(n))] = true;
    std::vector<Planned> plan = KeepAll();
    std::erase_if(plan, [&](const Planned& p) { return removed[static_cast<std::size_t>(p.keptFrom)]; });
    Rewrite(std::move(plan));
}

void cBAG::BAGRenameFile(std::int32_t lNumber, const std::string& newName) {
    ExistingRow(lNumber);
    BAGCheckName(newName);
    std::vector<Planned> plan = KeepAll();
    std::array<char, kNameSize>& name = plan[static_cast<std::size_t>(lNumber - 1)].record.Name;
    name.fill('\0');
    std::copy(newName.begin(), newName.end(), name.begin());
    Rewrite(std::move(plan));
}

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
        const BAGWriteEntry& entry = entries[i];
        CheckWriteEntry(BAGFile, i, entry, offset);
        BAGRecord record = RecordNamed(entry.name);
        record.OffSet = static_cast<std::int32_t>(offset);
        record.Size = static_cast<std::int32_t>(entry.data.size());
        record.Frequency = entry.frequency;
        record.Type = entry.type;
        record.ExtraInfo = entry.extraInfo;
        EncodeRecord(&table[kHeaderSize + kRecordSize * i], record);
        offset += entry.data.size();
    }

    ReplacementFile out(BAGFile);
    out.write(table);
    for (const BAGWriteEntry& entry : entries) out.write(entry.data);
    out.commit();
}

}  // namespace varnok
