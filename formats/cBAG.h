#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/ConvertAnswer.h"
#include "formats/io/File.h"

namespace varnok {

// Bytes 0-15 of a BAG file. Magic is "GABA" while an archive is open, empty otherwise.
struct BAGHeader {
    std::string Magic;
    std::int32_t GameType = 0;
    std::int32_t RecordCount = 0;
    std::int32_t RecordLength = 0;
};

// One 64-byte record of the table that follows the header.
struct BAGRecord {
    std::array<char, 32> Name{};  // Windows-1252 bytes, ended by a 0 byte unless all 32 are used
    std::int32_t OffSet = 0;      // where the entry's data starts in the BAG file
    std::int32_t Size = 0;
    std::int32_t Frequency = 0;  // sample rate in Hz
    std::int32_t Type = 0;       // flags: 1 stereo, 2 PCM, 4 16-bit, 8 IMA ADPCM, 16 (unknown), 32 MP3
    std::int32_t ExtraInfo = 0;  // for IMA ADPCM: the block size in bytes
    std::array<std::int32_t, 3> Unused{};
};

// One entry for cBAG::BAGWrite.
struct BAGWriteEntry {
    std::string name;  // at most 32 bytes
    std::int32_t frequency = 0;
    std::int32_t type = 0;
    std::int32_t extraInfo = 0;
    std::vector<std::uint8_t> data;
};

// A sound file as a record holds it: its kind, rate and block size, and its data.
struct BAGSound {
    std::int32_t type = 0;
    std::int32_t frequency = 0;
    std::int32_t extraInfo = 0;
    std::vector<std::uint8_t> data;
};

// One change of BAGApplyChanges: a new record named `name`, or, when `replaces`
// names a record, new data for that record under its own name and number.
struct BAGChange {
    std::int32_t replaces = 0;
    std::string name;  // Windows-1252, for a new record
    BAGSound sound;
};

// How a sound file becomes a record when it is added.
struct BAGSoundOptions {
    bool adpcm = false;  // store PCM sound as IMA ADPCM, as the game's own speech and effects
    std::string name;    // Windows-1252; empty: the file's name without its extension
};

// A BAG sound archive: the header and the record table of one file, read at open,
// extraction of single entries, optionally as WAVE files, and edits. No file stays
// open between calls. Failures raise FormatError.
//
// An edit writes the whole new archive beside the old one and renames it over it:
// on any failure the file and this object stay as they were. The data of the
// records an edit keeps is copied from the old file, not held in memory.
class cBAG {
public:
    static constexpr std::int32_t kMaxRecords = 5000;
    static constexpr std::size_t kHeaderSize = 16;
    static constexpr std::size_t kRecordSize = 64;
    static constexpr std::size_t kNameSize = 32;
    static constexpr std::int32_t kGameType = 4;
    static constexpr std::size_t kWaveHeaderSize = 44;

    // Asked before a PCM or IMA ADPCM entry is extracted; Yes converts it to WAVE.
    static constexpr std::string_view kConvertQuestion = "Do you want to convert this w file to a wave audio file?";
    using ConvertQuestion = std::function<ConvertAnswer(const std::string& question)>;

    cBAG();

    // The caller's way of putting kConvertQuestion to the user. Without one, every
    // entry is extracted raw.
    void SetConvertQuestion(ConvertQuestion ask);
    // The same question answered only Yes (true) or No.
    void SetConvertQuestion(std::function<bool(const std::string& question)> ask);
    // Forgets a "to all" answer, so that the next entry offered asks again. The
    // caller resets at the start of every command.
    void BAGResetConvertAnswer();

    // True when the file starts with "GABA" and game type 4. An empty path means the
    // open archive. A file that is missing, unreadable or too short gives false.
    bool BAGValid(const std::filesystem::path& BAGFile) const;

    // Writes an archive with no entries (replacing any file there) and makes it the open one.
    void BAGCreate(const std::filesystem::path& BAGFile);

    // Reads the header and the records of a valid BAG file and makes it the open
    // archive; a file that is not a BAG archive changes nothing. A record count
    // outside 0..5000 (Range) or a table cut short (Corrupt) leaves the state as it was.
    void BAGOpen(const std::filesystem::path& BAGFile);

    void BAGClose();

    // Writes the entry's data to ExtractAs, as a WAVE file when BAGAskToConvert
    // says so. An entry whose data lies outside the file, or ADPCM data that does
    // not decode, is Corrupt, and ExtractAs is left as it was.
    void BAGExtractFile(std::int32_t lNumber, const std::filesystem::path& ExtractAs);
    // The same without a question: `convert` is the answer already given. Safe to
    // call from several threads at once.
    void BAGExtractFile(std::int32_t lNumber, const std::filesystem::path& ExtractAs, bool convert) const;
    // The open archive's file, opened once for many BAGExtractFile calls, from any
    // number of threads; it reads what the file held when it was opened.
    std::unique_ptr<const InputFile> BAGOpenForExtraction() const;
    // BAGExtractFile(lNumber, ExtractAs, convert) from a file BAGOpenForExtraction gave.
    void BAGExtractFile(std::int32_t lNumber, const std::filesystem::path& ExtractAs, bool convert,
                        const InputFile& archive) const;
    // The bytes BAGExtractFile(lNumber, path, convert) would write, in memory.
    std::vector<std::uint8_t> BAGReadFile(std::int32_t lNumber, bool convert) const;

    // BAGReadFile over a record taken earlier (BAGGetRecord) from the archive at
    // BAGFile, cut to its first MaxBytes bytes: it needs nothing of this object,
    // so it may run on any thread while the archive changes hands. A record is
    // converted whole; a raw one is read only as far as MaxBytes.
    static std::vector<std::uint8_t> BAGReadRecord(const std::filesystem::path& BAGFile, std::int32_t lNumber,
                                                   const BAGRecord& record, bool convert,
                                                   std::size_t MaxBytes = SIZE_MAX);
    BAGRecord BAGGetRecord(std::int32_t lNumber) const { return Row(lNumber); }

    // True for PCM (flag 2) and IMA ADPCM (flag 8) entries: they can become WAVE files.
    bool BAGCanConvert(std::int32_t lNumber) const;
    // True for IMA ADPCM entries, which become 16-bit PCM WAVE files.
    bool BAGIsAdpcm(std::int32_t lNumber) const;
    // Whether entry lNumber is to be converted: the user's answer to
    // kConvertQuestion, or a "to all" answer given before; false, without a
    // question, for an entry that cannot be converted.
    bool BAGAskToConvert(std::int32_t lNumber);

    // --- Edits ------------------------------------------------------------
    // Appends a record for a sound file: a WAVE file of PCM (8 or 16-bit, mono or
    // stereo, stored as 16-bit PCM, 8-bit samples widened, or, with options.adpcm,
    // as IMA ADPCM) or of IMA
    // ADPCM (decoded to 16-bit PCM unless options.adpcm), or an MP3 file (a name
    // ending in ".mp3"). Type, Frequency and ExtraInfo come from the file. Returns
    // the new entry's number. A file that cannot be read is InputOutput or
    // Corrupt; a name that cannot be stored or a full table is Range.
    std::int32_t BAGAddFile(const std::filesystem::path& sFilename, const BAGSoundOptions& options = {});
    // The same for several files in one rewrite of the archive; returns the first
    // new entry's number. Nothing is added when one of them fails.
    std::int32_t BAGAddFiles(std::span<const std::filesystem::path> files, const BAGSoundOptions& options = {});
    // Puts a sound file's data, type, frequency and extra information into record
    // lNumber; its name and number stay.
    void BAGReplaceFile(std::int32_t lNumber, const std::filesystem::path& sFilename, bool adpcm = false);
    // What BAGAddFile makes of a sound file, without touching any archive.
    static BAGSound BAGReadSound(const std::filesystem::path& sFilename, bool adpcm);
    // Appends the new records and puts the replaced records' data in place, in one
    // rewrite of the archive; returns the number of the first new record (the
    // count plus one when there is none). Nothing changes when one change fails.
    std::int32_t BAGApplyChanges(std::vector<BAGChange> changes);
    // Removes the records; the later ones move up.
    void BAGRemoveFiles(std::span<const std::int32_t> numbers);
    // Gives record lNumber a new stored name (Windows-1252, without extension).
    void BAGRenameFile(std::int32_t lNumber, const std::string& newName);
    // The first entry whose stored name (without extension) equals `name`, ASCII
    // letters in any case; 0 when none does.
    std::int32_t BAGFindFile(const std::string& name) const;
    // Range failure, saying why, unless `name` can be a record's name: 1 to 32
    // bytes, none of them a control character, '/' or '\\'.
    static void BAGCheckName(const std::string& name);

    // The stored name with the extension of the entry's kind: ".w" for PCM, ".cmp"
    // for IMA ADPCM, ".mp3" for MP3, and none for data of any other kind.
    std::string BAGGetFileName(std::int32_t lNumber) const;
    // The name as the record stores it, without the extension of its kind.
    std::string BAGGetStoredName(std::int32_t lNumber) const;
    // The name an entry's file has when it is extracted as a WAVE file: the stored
    // name followed by ".wav".
    std::string BAGGetConvertedName(std::int32_t lNumber) const;
    std::int32_t BAGGetFileSize(std::int32_t lNumber) const;
    std::int32_t BAGGetFileOffSet(std::int32_t lNumber) const;
    std::int32_t BAGGetFileCount() const;
    std::int32_t BAGGetFileFrequency(std::int32_t lNumber) const;
    std::int32_t BAGGetFileType(std::int32_t lNumber) const;
    std::int32_t BAGGetFileExtraInfo(std::int32_t lNumber) const;
    std::int32_t BAGGetGameType(std::int32_t lNumber) const;  // lNumber is not used
    std::int32_t BAGGetFileRecordLength() const;

    // Builds a BAG file from scratch: the header (game type 4, record length 64),
    // the records, then the entries' data back to back. Range failure for more than
    // 5000 entries, a name longer than 32 bytes or data beyond 2 GiB.
    static void BAGWrite(const std::filesystem::path& BAGFile, std::span<const BAGWriteEntry> entries);

private:
    struct Planned;  // one record of the archive an edit is about to write

    // Rows 1..5000; entry numbers outside that raise Range.
    const BAGRecord& Row(std::int32_t lNumber) const;
    // Rows 1..RecordCount of the open archive; others raise Range.
    std::int32_t ExistingRow(std::int32_t lNumber) const;
    const std::filesystem::path& Resolve(const std::filesystem::path& BAGFile) const;
    std::vector<Planned> KeepAll() const;
    void Rewrite(std::vector<Planned> plan);

    std::filesystem::path path_;
    BAGHeader header_;
    std::vector<BAGRecord> records_;  // always kMaxRecords rows
    ConvertQuestion ask_;
    std::optional<bool> convertAll_;  // a "to all" answer of the current command
};

}  // namespace varnok
