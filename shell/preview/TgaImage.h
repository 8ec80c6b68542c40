#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <span>

namespace varnok {

// Decodes a Truevision TGA picture: true-colour (16, 24 or 32 bits), grey (8
// bits) or colour-mapped (8-bit indices), stored as is or run-length encoded,
// from either corner. Qt's own reader takes only files with the TGA 2.0 footer,
// and most game textures predate it. A null image, with `why` set, when the
// bytes are not such a picture.
QImage DecodeTga(std::span<const std::uint8_t> bytes, QString& why);

}  // namespace varnok
