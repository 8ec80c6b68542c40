#include "formats/io/Zlib.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "formats/FormatError.h"

namespace varnok {

namespace {

constexpr std::size_t kChunk = 256 * 1024;

[[noreturn]] void ThrowCorrupt(const std::string& what, const std::string& why) {
    throw FormatError(FormatErrorKind::Corrupt, what + ": " + why);
}

}  // namespace

Bytes CompressLevel9(std::span<const std::uint8_t> data) {
    if (data.size() > std::numeric_limits<uLong>::max() / 2) {
        throw FormatError(FormatErrorKind::Range, "file too large to compress");
    }
    uLongf outLen = compressBound(static_cast<uLong>(data.size()));
    Bytes out(outLen);
    int rc = compress2(out.data(), &outLen, data.data(), static_cast<uLong>(data.size()), 9);
    if (rc != Z_OK) throw FormatError(FormatErrorKind::InputOutput, "zlib could not compress the file");
    out.resize(outLen);
    return out;
}

void InflateExactTo(std::span<const std::uint8_t> stream, std::uint64_t originalSize, const std::string& what,
                    const std::function<void(std::span<const std::uint8_t>)>& sink) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) throw FormatError(FormatErrorKind::InputOutput, "zlib could not start");
    struct Guard {
        z_stream* zs;
        ~Guard() { inflateEnd(zs); }
    } guard{&zs};

    std::size_t inputLeft = stream.size();
    const std::uint8_t* input = stream.data();
    std::uint64_t produced = 0;
    Bytes chunk(static_cast<std::size_t>(std::min<std::uint64_t>(std::max<std::uint64_t>(originalSize, 1), kChunk)));
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        if (zs.avail_in == 0 && inputLeft > 0) {
            const std::size_t take = std::min<std::size_t>(inputLeft, std::numeric_limits<uInt>::max());
            zs.next_in = const_cast<Bytef*>(input);
            zs.avail_in = static_cast<uInt>(take);
            input += take;
            inputLeft -= take;
        }
        zs.next_out = chunk.data();
        zs.avail_out = static_cast<uInt>(chunk.size());
        rc = inflate(&zs, Z_NO_FLUSH);
        const std::size_t got = chunk.size() - zs.avail_out;
        if (rc == Z_NEED_DICT || rc == Z_DATA_ERROR || rc == Z_MEM_ERROR || rc == Z_STREAM_ERROR) {
            ThrowCorrupt(what, "the compressed data is damaged");
        }
        if (got > originalSize - produced) {
            ThrowCorrupt(what, "the compressed data holds more than the stored size of " +
                                   std::to_string(originalSize) + " bytes");
        }
        produced += got;
        if (got > 0) sink(std::span<const std::uint8_t>(chunk.data(), got));
        if (rc == Z_BUF_ERROR || (got == 0 && zs.avail_in == 0 && inputLeft == 0 && rc != Z_STREAM_END)) {
            ThrowCorrupt(what, "the compressed data ends early");
        }
    }
    if (produced != originalSize) {
        ThrowCorrupt(what, "the compressed data holds " + std::to_string(produced) + " bytes, not the stored " +
                               std::to_string(originalSize));
    }
}

Bytes InflateExact(std::span<const std::uint8_t> stream, std::uint64_t originalSize, const std::string& what) {
    Bytes out;
    // Deflate cannot expand input by more than about 1032 to 1, so a stored size far
    // above that is corrupt and must not decide the allocation.
    const std::uint64_t plausible = static_cast<std::uint64_t>(stream.size()) * 1032 + 64;
    out.reserve(static_cast<std::size_t>(std::min(originalSize, plausible)));
    InflateExactTo(stream, originalSize, what,
                   [&out](std::span<const std::uint8_t> part) { out.insert(out.end(), part.begin(), part.end()); });
    return out;
}

}  // namespace varnok
