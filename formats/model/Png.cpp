// PNG files of RGBA pictures, compressed with zlib.
#include <zlib.h>

#include "formats/FormatError.h"
#include "formats/model/Picture.h"

namespace varnok::model {

namespace {

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void Chunk(std::vector<std::uint8_t>& out, const char type[4], const std::vector<std::uint8_t>& data) {
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    PutBigEndian(out, static_cast<std::uint32_t>(crc));
}

// Every row with filter byte 0 in front, deflated.
std::vector<std::uint8_t> ImageData(const Picture& picture) {
    const std::size_t rowBytes = std::size_t{picture.width} * 4;
    std::vector<std::uint8_t> raw;
    raw.reserve((rowBytes + 1) * picture.height);
    for (std::size_t y = 0; y < picture.height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), picture.rgba.begin() + static_cast<std::ptrdiff_t>(y * rowBytes),
                   picture.rgba.begin() + static_cast<std::ptrdiff_t>((y + 1) * rowBytes));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) {
        throw FormatError(FormatErrorKind::InputOutput, "The picture could not be compressed.");
    }
    packed.resize(packedSize);
    return packed;
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const Picture& picture) {
    if (picture.rgba.size() != std::size_t{picture.width} * picture.height * 4 || picture.width == 0 ||
        picture.height == 0) {
        throw FormatError(FormatErrorKind::Range, "An empty picture cannot be written as PNG.");
    }
    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBigEndian(header, picture.width);
    PutBigEndian(header, picture.height);
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter choice, no interlace
    Chunk(out, "IHDR", header);
    Chunk(out, "IDAT", ImageData(picture));
    Chunk(out, "IEND", {});
    return out;
}

}  // namespace varnok::model
