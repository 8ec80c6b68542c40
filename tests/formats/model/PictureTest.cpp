#include <gtest/gtest.h>

#include <zlib.h>

#include "formats/model/Picture.h"
#include "tests/formats/Failure.h"

namespace varnok::model {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A TGA header: type, 2 x 2 pixels, bits, descriptor; a colour map when mapBits is set.
Bytes Header(std::uint8_t type, std::uint8_t bits, std::uint8_t descriptor, std::uint8_t mapBits = 0,
             std::uint8_t mapLength = 0) {
    Bytes h(18, 0);
    h[1] = mapBits != 0;
    h[2] = type;
    h[5] = mapLength;
    h[7] = mapBits;
    h[12] = 2;
    h[14] = 2;
    h[16] = bits;
    h[17] = descriptor;
    return h;
}

Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Red, green, blue, magenta as RGBA, in the order a picture's rows from the top give them.
const Bytes kRgbm = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 0, 255, 255};

TEST(Tga, EveryLayoutDecodesToRowsFromTheTop) {
    // Stored bottom row first: blue, magenta, then red, green (as BGR).
    const Bytes bottomUp = {255, 0, 0, 255, 0, 255, 0, 0, 255, 0, 255, 0};
    const Bytes topDown = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 0, 255};
    const struct {
        const char* what;
        Bytes file;
    } cases[] = {
        {"24-bit from the bottom", Join(Header(2, 24, 0x00), bottomUp)},
        {"24-bit from the top", Join(Header(2, 24, 0x20), topDown)},
        {"32-bit from the top",
         Join(Header(2, 32, 0x28), {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 0, 255, 255})},
        {"run-length, a run and a raw packet",
         Join(Header(10, 24, 0x20), {0x00, 0, 0, 255, 0x00, 0, 255, 0, 0x01, 255, 0, 0, 255, 0, 255})},
        {"columns from the right", Join(Header(2, 24, 0x30), {0, 255, 0, 0, 0, 255, 255, 0, 255, 255, 0, 0})},
        {"colour-mapped",
         Join(Join(Header(1, 8, 0x20, 24, 4), {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 0, 255}), {0, 1, 2, 3})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Picture picture = DecodeTga(c.file);
        ASSERT_EQ(picture.width, 2u);
        ASSERT_EQ(picture.height, 2u);
        EXPECT_EQ(picture.rgba, kRgbm);
    }
}

TEST(Tga, DamagedOrUnknownFilesAreRefused) {
    const Bytes cases[] = {
        [] {
            Bytes cut = Header(2, 24, 0);  // ends inside the header
            cut.resize(10);
            return cut;
        }(),
        Join(Header(2, 24, 0), Bytes(11, 0)),                                 // one byte short
        Join(Header(10, 24, 0), {0x03, 1, 2, 3}),                             // a raw packet of 4 pixels that holds 1
        Join(Header(7, 24, 0), Bytes(12, 0)),                                 // no such type
        Join(Header(2, 12, 0), Bytes(12, 0)),                                 // no such depth
        Join(Header(1, 8, 0x20, 24, 2), {0, 0, 255, 0, 255, 0, 0, 1, 2, 3}),  // colour 2 past a map of 2
        // Found by fuzzing: a colour map on a true-colour picture, and an identification
        // field longer than the file.
        {0x5d, 0x01, 0x02, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x18, 0x20,
         0xff},
        {0x28, 0x01, 0x01, 0xbf, 0x00, 0x0a, 0x00, 0x20, 0x01, 0x00, 0x80, 0x00, 0x32, 0x00, 0x08, 0x0c, 0x08, 0x08,
         0x0a, 0x01, 0x00, 0x62, 0x00, 0x00, 0x62, 0xca, 0x00, 0x32, 0x00, 0x08, 0x00, 0x08, 0x08, 0x08, 0x08, 0x0c},
    };
    int i = 0;
    for (const Bytes& file : cases) {
        SCOPED_TRACE(i++);
        EXPECT_EQ(test::KindOf([&] { DecodeTga(file); }), FormatErrorKind::Corrupt);
    }
}

TEST(Png, MagentaGoesTransparentAndTheRowsInflateBack) {
    Picture picture{2, 2, kRgbm};
    KeyOutMagenta(picture);
    EXPECT_EQ(picture.rgba[15], 0);  // the magenta pixel
    EXPECT_EQ(picture.rgba[11], 255);
    const Bytes png = EncodePng(picture);
    ASSERT_GT(png.size(), 8u + 25 + 12);
    EXPECT_EQ(Bytes(png.begin(), png.begin() + 16),
              (Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'}));
    EXPECT_EQ(Bytes(png.begin() + 16, png.begin() + 29), (Bytes{0, 0, 0, 2, 0, 0, 0, 2, 8, 6, 0, 0, 0}));
    // IDAT: every row with filter 0 in front.
    const std::size_t idat = 8 + 25;
    const std::uint32_t length = png[idat] << 24 | png[idat + 1] << 16 | png[idat + 2] << 8 | png[idat + 3];
    Bytes rows(18);
    uLongf size = rows.size();
    ASSERT_EQ(uncompress(rows.data(), &size, &png[idat + 8], length), Z_OK);
    Bytes expected = {0};
    expected.insert(expected.end(), picture.rgba.begin(), picture.rgba.begin() + 8);
    expected.push_back(0);
    expected.insert(expected.end(), picture.rgba.begin() + 8, picture.rgba.end());
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(Bytes(png.end() - 8, png.end() - 4), (Bytes{'I', 'E', 'N', 'D'}));
}

}  // namespace
}  // namespace varnok::model
