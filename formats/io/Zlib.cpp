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

namespace {

// Where the inflater's input comes from: a span held whole, or pieces read on demand.
class StreamInput {
public:
    explicit StreamInput(std::span<const std::uint8_t> whole) : whole_(whole) {}
    explicit StreamInput(const std::function<std::span<const std::uint8_t>()>& source) : source_(&source) {}

    // The next bytes for the inflater; empty once the stream's bytes are used up.
    std::span<const std::uint8_t> next() {
        if (source_ == nullptr) {
            const std::size_t take = std::min<std::size_t>(whole_.size(), std::numeric_limits<uInt>::max());
            const auto part = whole_.first(take);
            whole_ = whole_.subspan(take);
            return part;
        }
        if (ended_) return {};
        auto part = (*source_)();
        part = part.first(std::min<std::size_t>(part.size(), std::numeric_limits<uInt>::max()));
        ended_ = part.empty();
        return part;
    }
    bool exhausted() const noexcept { return source_ == nullptr ? whole_.empty() : ended_; }

private:
    std::span<const std::uint8_t> whole_;
    const std::function<std::span<const std::uint8_t>()>* source_ = nullptr;
    bool ended_ = false;
};

// Stops once `limit` bytes have come out: the stream's checks then cover only the
// part that was read.
void Inflate(StreamInput& input, std::uint64_t originalSize, std::uint64_t limit, const std::string& what,
             const std::function<void(std::span<const std::uint8_t>)>& sink) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) throw FormatError(FormatErrorKind::InputOutput, "zlib could not start");
    struct Guard {
        z_stream* zs;
        ~Guard() { inflateEnd(zs); }
    } guard{&zs};

    std::uint64_t produced = 0;
    // Each thread keeps its output buffer from one payload to the next: workers
    // inflate thousands of payloads, and a fresh quarter megabyte for each costs
    // more than many of them take to inflate.
    thread_local Bytes buffer;
    const auto length =
        static_cast<std::size_t>(std::min<std::uint64_t>(std::max<std::uint64_t>(originalSize, 1), kChunk));
    if (buffer.size() < length) buffer.resize(length);
    const std::span<std::uint8_t> chunk(buffer.data(), length);
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        if (zs.avail_in == 0 && !input.exhausted()) {
            const auto part = input.next();
            zs.next_in = const_cast<Bytef*>(part.data());
            zs.avail_in = static_cast<uInt>(part.size());
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
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(got, limit - produced));
        produced += got;
        if (wanted > 0) sink(std::span<const std::uint8_t>(chunk.data(), wanted));
        if (limit < originalSize && produced >= limit) return;
        if (rc == Z_BUF_ERROR || (got == 0 && zs.avail_in == 0 && input.exhausted() && rc != Z_STREAM_END)) {
            ThrowCorrupt(what, "the compressed data ends early");
        }
    }
    if (produced != originalSize) {
        ThrowCorrupt(what, "the compressed data holds " + std::to_string(produced) + " bytes, not the stored " +
                               std::to_string(originalSize));
    }
}

}  // namespace

void InflateExactTo(std::span<const std::uint8_t> stream, std::uint64_t originalSize, const std::string& what,
                    const std::function<void(std::span<const std::uint8_t>)>& sink) {
    StreamInput input(stream);
    Inflate(input, originalSize, originalSize, what, sink);
}

void InflateExactTo(const std::function<std::span<const std::uint8_t>()>& source, std::uint64_t originalSize,
                    const std::string& what, const std::function<void(std::span<const std::uint8_t>)>& sink) {
    StreamInput input(source);
    Inflate(input, originalSize, originalSize, what, sink);
}

Bytes InflateFirst(const std::function<std::span<const std::uint8_t>()>& source, std::uint64_t originalSize,
                   std::uint64_t limit, const std::string& what) {
    Bytes out;
    StreamInput input(source);
    Inflate(input, originalSize, std::min(limit, originalSize), what,
            [&out](std::span<const std::uint8_t> part) { out.insert(out.end(), part.begin(), part.end()); });
    return out;
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
