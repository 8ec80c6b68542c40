#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace varnok {

// Reads little-endian fields from a byte span. Every read is checked against the
// bytes that are really there; a read past the end sets a sticky failure flag and
// returns zeros, so a parser can read a whole record and test ok() once.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool ok() const noexcept { return ok_; }
    std::size_t offset() const noexcept { return offset_; }
    std::size_t size() const noexcept { return bytes_.size(); }
    std::size_t remaining() const noexcept { return bytes_.size() - offset_; }

    bool has(std::size_t n) const noexcept { return ok_ && n <= remaining(); }

    std::uint32_t u32le() {
        if (!has(4)) return fail<std::uint32_t>();
        const std::uint8_t* p = bytes_.data() + offset_;
        offset_ += 4;
        return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
               static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
    }

    std::int32_t i32le() { return static_cast<std::int32_t>(u32le()); }

    std::uint8_t u8() {
        if (!has(1)) return fail<std::uint8_t>();
        return bytes_[offset_++];
    }

    // The next n bytes, or an empty span (and the failure flag) when fewer remain.
    std::span<const std::uint8_t> bytes(std::size_t n) {
        if (!has(n)) return fail<std::span<const std::uint8_t>>();
        auto out = bytes_.subspan(offset_, n);
        offset_ += n;
        return out;
    }

    void skip(std::size_t n) { (void)bytes(n); }

    void seek(std::size_t offset) {
        if (!ok_ || offset > bytes_.size()) {
            ok_ = false;
            return;
        }
        offset_ = offset;
    }

private:
    template <typename T>
    T fail() {
        ok_ = false;
        return T{};
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
    bool ok_ = true;
};

// Little-endian writers for building records.
inline void PutU32le(std::uint8_t* out, std::uint32_t v) {
    out[0] = static_cast<std::uint8_t>(v);
    out[1] = static_cast<std::uint8_t>(v >> 8);
    out[2] = static_cast<std::uint8_t>(v >> 16);
    out[3] = static_cast<std::uint8_t>(v >> 24);
}

inline void PutI32le(std::uint8_t* out, std::int32_t v) { PutU32le(out, static_cast<std::uint32_t>(v)); }

inline void PutU16le(std::uint8_t* out, std::uint16_t v) {
    out[0] = static_cast<std::uint8_t>(v);
    out[1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace varnok
