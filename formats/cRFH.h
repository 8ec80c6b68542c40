#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "formats/io/File.h"

namespace varnok {

// One row of the index: the six 32-bit fields that precede each stored name.
struct RFHEntry {
    std::int32_t NameLen = 0;
    std::int32_t DateAdded = 0;
    std::int32_t Packed = 0;
    std::int32_t PackedSize = 0;
    std::int32_t OriginalSize = 0;
    std::int32_t OffSet = 0;
};

// The file table of an RFH archive (.rfh), held wholly in memory. Entries are
// numbered 1..GetFileCount(); every accessor accepts 1..5000 and raises
// FormatError(Range) outside that. Stored names are raw Windows-1252 bytes with
// `\` separators; each name row keeps its terminating 0, so its length is NameLen.
class cRFH {
public:
    static constexpr std::int32_t kMaxEntries = 5000;
    static constexpr std::int32_t kNewDateAdded = 1006363084;
    static constexpr std::int32_t kPackedCompressed = 2;

    cRFH();

    void RFHRefresh();
    // Reads the index at `RFHFile`; a missing or unreadable file raises
    // FormatError(InputOutput). A damaged one opens with the entries before the damage.
    void RFHOpen(const std::filesystem::path& RFHFile);
    void RFHClear();
    std::int32_t GetFileCount() const noexcept { return count_; }
    void RFHSave(const std::filesystem::path& RFHFile,
                 ReplacementFile::Sync sync = ReplacementFile::Sync::Durable) const;
    // The saved index streamed into a replacement its caller commits.
    void RFHSave(ReplacementFile& out) const;
    // The index file's bytes as RFHSave writes them.
    Bytes RFHImage() const;
    // Appends a compressed entry whose stream is `PackedSize` bytes long.
    void RFHAddFile(const std::filesystem::path& sOrigFileName, const std::string& sFilename, std::int32_t PackedSize);
    void RFHRemoveFile(std::int32_t lNumber);

    std::string GetFileName(std::int32_t lNumber) const;
    void SetFileName(std::int32_t lNumber, const std::string& NewValue);
    std::string GetFilePath(std::int32_t lNumber) const;
    void SetFilePath(std::int32_t lNumber, const std::string& NewValue);
    std::int32_t GetFileNaneLen(std::int32_t lNumber) const;
    std::int32_t GetDateAdded(std::int32_t lNumber) const;
    void SetDateAdded(std::int32_t lNumber, std::int32_t NewValue);
    std::string GetPacked(std::int32_t lNumber) const;
    void SetPacked(std::int32_t lNumber, const std::string& NewValue);
    std::string GetRatio(std::int32_t lNumber) const;
    std::int32_t GetPackedSize(std::int32_t lNumber) const;
    void SetPackedSize(std::int32_t lNumber, std::int32_t NewValue);
    std::int32_t GetOriginalSize(std::int32_t lNumber) const;
    void SetOriginalSize(std::int32_t lNumber, std::int32_t NewValue);
    std::int32_t GetOffSet(std::int32_t lNumber) const;
    void SetOffSet(std::int32_t lNumber, std::int32_t NewValue);

    // Where the next payload goes: the end of the last data-file byte any entry
    // uses, 0 for an empty table. Pass the same value to RFDAddFile.
    std::int32_t RFHNextOffSet() const;

    // Removes several entries at once. The result is the same as removing them one
    // by one from the highest number down: each removal moves every payload that
    // lies after the removed one down by its PackedSize.
    void RFHRemoveFiles(std::vector<std::int32_t> numbers);

    // The byte offset of the first entry that could not be read at the last open,
    // when the index was damaged there.
    std::optional<std::uint64_t> RFHDamagedAt() const noexcept { return damagedAt_; }
    // True when the last open stopped at 5000 entries with more bytes left.
    bool RFHTruncated() const noexcept { return truncated_; }

private:
    enum class ReadStep { Entry, End, Damaged };

    RFHEntry& Row(std::int32_t lNumber);
    const RFHEntry& Row(std::int32_t lNumber) const;
    std::string GetFullName(std::int32_t lNumber) const;
    void SetFullName(std::int32_t lNumber, const std::string& name);
    void EraseTable();
    void ReadIndex(const std::filesystem::path& RFHFile);
    void CheckEntryNumbers(const std::vector<std::int32_t>& numbers) const;
    void MovePayloadsAfter(std::int32_t lNumber);

    std::vector<RFHEntry> entries_;  // always kMaxEntries rows; row n is entries_[n - 1]
    std::vector<std::string> names_;
    std::int32_t count_ = 0;
    std::filesystem::path indexPath_;
    std::optional<std::uint64_t> damagedAt_;
    bool truncated_ = false;
};

}  // namespace varnok
