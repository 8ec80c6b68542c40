#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace varnok::model {

// A picture as 8-bit RGBA, rows from the top.
struct Picture {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint8_t> rgba;  // width * height * 4
};

// Decodes a TGA file: colour-mapped, true-colour and grey, plain or run-length
// coded, 8 to 32 bits a pixel; the origin bits are honoured. Damaged files raise
// FormatError(Corrupt) saying where.
Picture DecodeTga(std::span<const std::uint8_t> bytes);

// Makes magenta (255, 0, 255) pixels transparent, as the game draws them.
void KeyOutMagenta(Picture& picture);

// The picture as a PNG file (8-bit RGBA, no interlace).
std::vector<std::uint8_t> EncodePng(const Picture& picture);

}  // namespace varnok::model
