#include "engine/PayloadCheck.h"

#include <algorithm>
#include <optional>

#include "formats/FormatError.h"
#include "formats/cBAG.h"
#include "formats/cRFD.h"
#include "formats/cRFH.h"
#include "formats/io/File.h"
#include "formats/io/Zlib.h"
#include "formats/model/XbfFile.h"
#include "platform/Win1252.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kSizePrefix = 4;

std::string Describe(std::int32_t n, const std::string& name) {
    return "entry " + std::to_string(n) + " (" + Win1252ToUtf8(name) + ")";
}

std::string Describe(const cRFH& index, std::int32_t n) {
    return Describe(n, index.GetFilePath(n) + index.GetFileName(n));
}

std::string PastEnd(std::int64_t end, std::uint64_t size) {
    return "its data ends at offset " + std::to_string(end) + ", past the end of the file at " + std::to_string(size);
}

// Why entry n can't be extracted, or nothing.
std::optional<std::string> PayloadProblem(const cRFH& index, std::int32_t n, const InputFile& in) {
    const std::int64_t offset = index.GetOffSet(n);
    const std::int64_t packedSize = index.GetPackedSize(n);
    const std::int64_t originalSize = index.GetOriginalSize(n);
    if (offset < 0 || packedSize < 0 || originalSize < 0) return "the index gives it a negative offset or size";
    // Either kind must lie inside the data file. A compressed stream may inflate
    // whole although its length runs past the file; the entry is damaged all the
    // same, since a removal would take the bytes it claims for its payload.
    if (static_cast<std::uint64_t>(offset + packedSize) > in.size()) return PastEnd(offset + packedSize, in.size());
    if (index.GetPacked(n) != "Yes") return std::nullopt;
    const std::uint64_t start = static_cast<std::uint64_t>(offset) + kSizePrefix;
    if (start > in.size()) return PastEnd(static_cast<std::int64_t>(start), in.size());
    // Extraction reads the stream and the two bytes after it, as far as the file
    // holds them, and inflate stops at the stream's end; the same window here.
    const std::uint64_t wanted = packedSize >= 2 ? static_cast<std::uint64_t>(packedSize - 2) : 0;
    Bytes stream(static_cast<std::size_t>(std::min(wanted, in.size() - start)));
    stream.resize(in.readAt(start, stream));
    try {
        const auto discard = [](std::span<const std::uint8_t>) {};
        InflateExactTo(stream, static_cast<std::uint64_t>(originalSize), "payload", discard);
    } catch (const FormatError& e) {
        std::string why = e.what();
        if (why.starts_with("payload: ")) why.erase(0, 9);
        return why;
    }
    return std::nullopt;
}

// Why a model entry whose payload is intact does not read as a model, or nothing.
std::optional<std::string> ModelProblem(const cRFH& index, std::int32_t n, const InputFile& in) {
    if (!model::IsModelName(index.GetFileName(n))) return std::nullopt;
    try {
        cRFD data;
        data.RFDFileName(in.path());
        const Bytes bytes = data.RFDReadFile(index.GetOffSet(n), index.GetPackedSize(n), index.GetOriginalSize(n),
                                             index.GetPacked(n) == "Yes", UINT64_MAX);
        model::ReadXbf(bytes);
    } catch (const FormatError& e) {
        return e.what();
    }
    return std::nullopt;
}

// Why record n can't be extracted, or nothing. A sound record is read as it is
// extracted as a WAVE file, so ADPCM data that does not decode is found too.
std::optional<std::string> RecordProblem(const cBAG& bag, std::int32_t n, std::uint64_t size) {
    const std::int64_t offset = bag.BAGGetFileOffSet(n);
    const std::int64_t length = bag.BAGGetFileSize(n);
    if (offset < 0 || length < 0) return "its record gives a negative offset or size";
    if (static_cast<std::uint64_t>(offset + length) > size) return PastEnd(offset + length, size);
    try {
        bag.BAGReadFile(n, bag.BAGCanConvert(n));
    } catch (const FormatError& e) {
        return e.what();
    }
    return std::nullopt;
}

}  // namespace

std::vector<DamagedEntry> CheckRfhPayloads(const cRFH& index, const fs::path& data, const CheckProgress& progress) {
    std::vector<DamagedEntry> damaged;
    const std::int32_t count = index.GetFileCount();
    if (count == 0) return damaged;
    std::optional<InputFile> in;
    try {
        in.emplace(data);
    } catch (const FormatError& e) {
        for (std::int32_t n = 1; n <= count; ++n) {
            damaged.push_back({n, Describe(index, n) + ": " + e.what()});
        }
        return damaged;
    }
    for (std::int32_t n = 1; n <= count; ++n) {
        auto why = PayloadProblem(index, n, *in);
        if (!why) why = ModelProblem(index, n, *in);
        if (why) damaged.push_back({n, Describe(index, n) + ": " + *why});
        if (progress && !progress(n)) break;
    }
    return damaged;
}

std::vector<DamagedEntry> CheckBagRecords(const cBAG& bag, const fs::path& file, const CheckProgress& progress) {
    std::vector<DamagedEntry> damaged;
    const std::uint64_t size = FileLength(file);
    for (std::int32_t n = 1; n <= bag.BAGGetFileCount(); ++n) {
        if (auto why = RecordProblem(bag, n, size)) {
            damaged.push_back({n, Describe(n, bag.BAGGetFileName(n)) + ": " + *why});
        }
        if (progress && !progress(n)) break;
    }
    return damaged;
}

}  // namespace varnok
