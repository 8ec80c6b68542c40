#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
    std::int32_t Type = 0;       // flags: 1 stereo, 2 PCM, 4 16-bit, 8 IMA ADPCM, 32 MP3
    std::int32_t ExtraInfo = 0;
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

// A BAG sound archive: the header and the record table of one file, read at open,
// and extraction of single entries, optionally as WAVE files. No file stays open
// between calls. Failures raise FormatError.
class cBAG {
public:
    static constexpr std::int32_t kMaxRecords = 5000;
    static constexpr std::size_t kHeaderSize = 16;
    static constexpr std::size_t kRecordSize = 64;
    static constexpr std::size_t kNameSize = 32;
    static constexpr std::int32_t kGameType = 4;
    static constexpr std::size_t kWaveHeaderSize = 44;

    // Asked before a type-2 or type-6 entry is extracted; true converts it to WAVE.
    static constexpr std::string_view kConvertQuestion = "Do you want to convert this w file to a wave audio file?";
    using ConvertQuestion = std::function<bool(const std::string& question)>;

    cBAG();

    // The caller's way of putting kConvertQuestion to the user (Yes/No). Without
    // one, every entry is extracted raw.
    void SetConvertQuestion(ConvertQuestion ask);

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

    // Writes the entry's data to ExtractAs, for types 2 and 6 as a WAVE file when
    // the user says so. An entry whose data lies outside the file is Corrupt, and
    // ExtractAs is left as it was.
    void BAGExtractFile(std::int32_t lNumber, const std::filesystem::path& ExtractAs);

    // Entries cannot be added to a BAG archive; this does nothing.
    void BAGAddFile(const std::filesystem::path& sFilename);

    // The stored name with the extension of the entry's type; "" for an unknown type.
    std::string BAGGetFileName(std::int32_t lNumber) const;
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
    // Rows 1..5000; entry numbers outside that raise Range.
    const BAGRecord& Row(std::int32_t lNumber) const;
    const std::filesystem::path& Resolve(const std::filesystem::path& BAGFile) const;
    bool AskToConvert(const BAGRecord& record) const;

    std::filesystem::path path_;
    BAGHeader header_;
    std::vector<BAGRecord> records_;  // always kMaxRecords rows
    ConvertQuestion ask_;
};

}  // namespace varnok
