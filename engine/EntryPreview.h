#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>

#include "formats/cBAG.h"
#include "formats/cRFD.h"
#include "formats/io/File.h"

namespace varnok {

class mVarnokEngine;

// What a preview shows of one entry: its first bytes, read into memory.
struct EntryPreview {
    Bytes bytes;            // at most the limit the read was given
    bool complete = false;  // the bytes are the whole entry (a BAG sound as its WAVE file)
    std::string error;      // why the entry could not be read; empty when it was
};

// One entry of the open archive, taken on the thread that owns the engine, so
// that it can be read later on any thread: it holds the file's path and the
// entry's fields, never the engine, and opens its own file handle. Should the
// archive change meanwhile, a read gives stale bytes or an error, never a crash.
class EntryReader {
public:
    EntryReader() = default;  // no entry: a read says so

    // Entry n of the engine's open archive (1-based, as the "File Nr" column).
    static EntryReader Take(const mVarnokEngine& engine, std::int32_t n);

    std::int32_t Number() const noexcept { return number_; }
    // The name the list shows, with its stored folder (UTF-8).
    const std::string& ListName() const noexcept { return listName_; }
    // A name whose extension says what Read gives: a BAG PCM or ADPCM record
    // reads as a WAVE file, so it is named ".wav".
    const std::string& ContentName() const noexcept { return contentName_; }
    // True for a BAG IMA ADPCM record, which Read gives decoded to 16-bit PCM.
    bool DecodedFromAdpcm() const noexcept;
    // The entry's size as stored (a BAG record's raw data, an RFH entry's file).
    std::uint64_t Size() const noexcept { return size_; }

    // The first maxBytes of the entry. A BAG PCM or ADPCM record becomes a WAVE
    // file when its raw data fits the limit, and stays raw otherwise. Failures
    // come back as the error text; nothing is thrown.
    EntryPreview Read(std::uint64_t maxBytes) const;

private:
    struct RfhSource {
        cRFD data;
        std::int32_t offset = 0, packedSize = 0, originalSize = 0;
        bool packed = false;
    };
    struct BagSource {
        std::filesystem::path file;
        BAGRecord record;
        bool convertible = false;
        bool adpcm = false;
    };

    Bytes ReadBytes(std::uint64_t maxBytes, bool& complete) const;

    std::int32_t number_ = 0;
    std::string listName_, contentName_;
    std::uint64_t size_ = 0;
    std::variant<std::monostate, RfhSource, BagSource> source_;
};

}  // namespace varnok
