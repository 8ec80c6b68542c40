// TGA pictures, read into RGBA rows from the top.
#include <algorithm>
#include "formats/FormatError.h"
#include "formats/audio/Hex.h"
#include "formats/io/ByteReader.h"
#include "formats/model/Picture.h"

namespace varnok::model {

namespace {

constexpr std::size_t kHeaderSize = 18;

[[noreturn]] void Damaged(std::size_t offset, const std::string& what) {
    throw FormatError(FormatErrorKind::Corrupt,
                      "The TGA picture is damaged at offset " + audio::Hex(offset) + ": " + what + ".");
}

struct TgaHeader {
    std::uint8_t idLength = 0, mapType = 0, imageType = 0;
    std::uint16_t mapFirst = 0, mapLength = 0;
    std::uint8_t mapBits = 0;
    std::uint16_t width = 0, height = 0;
    std::uint8_t bits = 0, descriptor = 0;

    bool RunLength() const { return imageType >= 9; }
    bool ColourMapped() const { return imageType == 1 || imageType == 9; }
    bool Grey() const { return imageType == 3 || imageType == 11; }
};

std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

TgaHeader ReadHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize) Damaged(bytes.size(), "the file ends inside the header");
    TgaHeader h;
    h.idLength = bytes[0];
    h.mapType = bytes[1];
    h.imageType = bytes[2];
    h.mapFirst = U16(bytes, 3);
    h.mapLength = U16(bytes, 5);
    h.mapBits = bytes[7];
    h.width = U16(bytes, 12);
    h.height = U16(bytes, 14);
    h.bits = bytes[16];
    h.descriptor = bytes[17];
    const int t = h.imageType;
    if (t != 1 && t != 2 && t != 3 && t != 9 && t != 10 && t != 11) {
        Damaged(2, "picture type " + std::to_string(t) + " is not one TGA defines for pixels");
    }
    const int bits = h.ColourMapped() ? h.mapBits : h.bits;
    if (bits != 8 && bits != 15 && bits != 16 && bits != 24 && bits != 32) {
        Damaged(16, std::to_string(bits) + " bits a pixel are not supported");
    }
    if (h.ColourMapped() && (h.bits != 8 || h.mapType != 1)) Damaged(16, "the colour map is not an 8-bit one");
    if (h.Grey() && h.bits != 8) Damaged(16, "grey pictures must have 8 bits a pixel");
    return h;
}

// One stored colour (of `bits` bits) as RGBA.
void ToRgba(const std::uint8_t* p, int bits, bool grey, std::uint8_t* out) {
    if (grey || bits == 8) {
        out[0] = out[1] = out[2] = p[0];
        out[3] = 255;
    } else if (bits == 15 || bits == 16) {
        const unsigned v = p[0] | p[1] << 8;
        out[0] = static_cast<std::uint8_t>(((v >> 10) & 31) * 255 / 31);
        out[1] = static_cast<std::uint8_t>(((v >> 5) & 31) * 255 / 31);
        out[2] = static_cast<std::uint8_t>((v & 31) * 255 / 31);
        out[3] = bits == 16 && !(v & 0x8000) ? 0 : 255;
    } else {
        out[0] = p[2];
        out[1] = p[1];
        out[2] = p[0];
        out[3] = bits == 32 ? p[3] : 255;
    }
}

class TgaDecoder {
public:
    explicit TgaDecoder(std::span<const std::uint8_t> bytes) : bytes_(bytes), h_(ReadHeader(bytes)) {}

    Picture Decode() {
        ByteReader in(bytes_);
        in.skip(kHeaderSize + h_.idLength);
        if (h_.mapType == 1) ReadColourMap(in);
        if (!in.ok()) Damaged(bytes_.size(), "the file ends inside the colour map");
        Picture picture;
        picture.width = h_.width;
        picture.height = h_.height;
        const std::size_t pixels = std::size_t{h_.width} * h_.height;
        const std::size_t pixelBytes = (h_.bits + 7) / 8;
        // A run-length packet of 1 + pixelBytes bytes covers at most 128 pixels.
        const std::size_t perPacket = h_.RunLength() ? 128 : 1;
        const std::size_t packetBytes = h_.RunLength() ? 1 + pixelBytes : pixelBytes;
        if (pixels / perPacket > in.remaining() / packetBytes) {
            Damaged(in.offset(), "the file is too short for a " + std::to_string(h_.width) + " x " +
                                     std::to_string(h_.height) + " picture");
        }
        std::vector<std::uint8_t> stored(pixels * 4);
        if (h_.RunLength()) {
            ReadRuns(in, stored, pixelBytes);
        } else {
            for (std::size_t i = 0; i < pixels; ++i) Pixel(in.bytes(pixelBytes).data(), &stored[i * 4]);
        }
        picture.rgba = Reorder(stored);
        return picture;
    }

private:
    // The colour map of a colour-mapped picture; any other picture's is skipped.
    void ReadColourMap(ByteReader& in) {
        const std::size_t entryBytes = (h_.mapBits + 7) / 8;
        if (!h_.ColourMapped()) return in.skip(std::size_t{h_.mapLength} * entryBytes);
        if (!in.ok() || std::size_t{h_.mapLength} > in.remaining() / entryBytes) return in.skip(SIZE_MAX);
        map_.resize((std::size_t{h_.mapFirst} + h_.mapLength) * 4);
        for (std::size_t i = 0; i < h_.mapLength; ++i) {
            ToRgba(in.bytes(entryBytes).data(), h_.mapBits, false, &map_[(h_.mapFirst + i) * 4]);
        }
    }

    void Pixel(const std::uint8_t* p, std::uint8_t* out) const {
        if (h_.ColourMapped()) {
            const std::size_t index = p[0];
            if (index * 4 + 4 > map_.size())
                Damaged(0, "a pixel names colour " + std::to_string(index) + " past the map");
            std::copy_n(&map_[index * 4], 4, out);
            return;
        }
        ToRgba(p, h_.bits, h_.Grey(), out);
    }

    void ReadRuns(ByteReader& in, std::vector<std::uint8_t>& out, std::size_t pixelBytes) const {
        const std::size_t pixels = out.size() / 4;
        for (std::size_t i = 0; i < pixels;) {
            const std::uint8_t head = in.u8();
            const std::size_t count = std::min<std::size_t>((head & 0x7F) + 1, pixels - i);
            if (head & 0x80) {
                const auto p = in.bytes(pixelBytes);
                if (!in.ok()) break;
                Pixel(p.data(), &out[i * 4]);
                for (std::size_t k = 1; k < count; ++k) std::copy_n(&out[i * 4], 4, &out[(i + k) * 4]);
            } else {
                for (std::size_t k = 0; k < count && in.ok(); ++k) {
                    const auto p = in.bytes(pixelBytes);
                    if (in.ok()) Pixel(p.data(), &out[(i + k) * 4]);
                }
            }
            if (!in.ok()) break;
            i += count;
        }
        if (!in.ok()) Damaged(bytes_.size(), "the file ends inside the pixel runs");
    }

    // Stored rows start at the bottom unless bit 5 says top; bit 4 flips columns.
    std::vector<std::uint8_t> Reorder(const std::vector<std::uint8_t>& stored) const {
        const bool fromTop = h_.descriptor & 0x20;
        const bool fromRight = h_.descriptor & 0x10;
        if (fromTop && !fromRight) return stored;
        std::vector<std::uint8_t> out(stored.size());
        const std::size_t w = h_.width, height = h_.height;
        for (std::size_t y = 0; y < height; ++y) {
            const std::size_t row = fromTop ? y : height - 1 - y;
            for (std::size_t x = 0; x < w; ++x) {
                const std::size_t column = fromRight ? w - 1 - x : x;
                std::copy_n(&stored[(y * w + x) * 4], 4, &out[(row * w + column) * 4]);
            }
        }
        return out;
    }

    std::span<const std::uint8_t> bytes_;
    TgaHeader h_;
    std::vector<std::uint8_t> map_;
};

}  // namespace

Picture DecodeTga(std::span<const std::uint8_t> bytes) { return TgaDecoder(bytes).Decode(); }

void KeyOutMagenta(Picture& picture) {
    for (std::size_t i = 0; i + 3 < picture.rgba.size(); i += 4) {
        std::uint8_t* p = &picture.rgba[i];
        if (p[0] == 255 && p[1] == 0 && p[2] == 255) p[3] = 0;
    }
}

}  // namespace varnok::model
