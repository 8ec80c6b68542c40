#include <gtest/gtest.h>

#include <vector>

#include "shell/preview/TgaImage.h"

namespace varnok::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Header(std::uint8_t type, int width, int height, std::uint8_t depth, std::uint8_t descriptor,
             std::uint8_t idLength = 0) {
    Bytes h(18, 0);
    h[0] = idLength;
    h[2] = type;
    h[12] = static_cast<std::uint8_t>(width);
    h[14] = static_cast<std::uint8_t>(height);
    h[16] = depth;
    h[17] = descriptor;
    h.resize(h.size() + idLength, 'x');
    return h;
}

Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Case {
    const char* what;
    Bytes bytes;
    std::vector<QRgb> pixels;  // top row first, left to right
};

TEST(TgaImage, DecodesEveryLayoutTheGameUses) {
    const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255);
    // Colour map of two 24-bit entries, starting at index 0.
    Bytes mapped = {0, 1, 1, 0, 0, 2, 0, 24, 0, 0, 0, 0, 2, 0, 1, 0, 8, 0x20};
    mapped = Join(mapped, {0, 0, 255, 255, 0, 0, 1, 0});
    const Case cases[] = {
        {"24-bit, rows from the bottom",
         Join(Header(2, 2, 2, 24, 0), {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}),
         {red, white, blue, green}},
        {"32-bit with alpha, from the top, after an id",
         Join(Header(2, 1, 1, 32, 0x28, 3), {0, 0, 255, 128}),
         {qRgba(255, 0, 0, 128)}},
        {"16-bit 5-5-5", Join(Header(2, 1, 1, 16, 0x20), {0x1F, 0x00}), {blue}},
        {"8-bit grey, rows from the top", Join(Header(3, 1, 2, 8, 0x20), {0, 255}), {qRgb(0, 0, 0), white}},
        {"run-length 24-bit: a run of three, then one raw",
         Join(Header(10, 4, 1, 24, 0x20), {0x82, 0, 255, 0, 0x00, 255, 0, 0}),
         {green, green, green, blue}},
        {"colour-mapped", mapped, {blue, red}},
    };
    for (const Case& c : cases) {
        QString why;
        const QImage image = DecodeTga(c.bytes, why);
        ASSERT_FALSE(image.isNull()) << c.what << ": " << why.toStdString();
        ASSERT_EQ(static_cast<std::size_t>(image.width() * image.height()), c.pixels.size()) << c.what;
        for (std::size_t i = 0; i < c.pixels.size(); ++i) {
            const int x = static_cast<int>(i) % image.width(), y = static_cast<int>(i) / image.width();
            EXPECT_EQ(image.pixel(x, y), c.pixels[i]) << c.what << " pixel " << i;
        }
    }
}

TEST(TgaImage, RefusesBytesThatAreNotAPicture) {
    const std::pair<Bytes, const char*> cases[] = {
        {Bytes(10, 0), "shorter than a TGA header"},
        {Join(Header(2, 2, 2, 24, 0), Bytes(11, 0)), "ends early"},
        {Join(Header(10, 200, 200, 24, 0), {0xFF, 1, 2, 3}), "ends early"},
        {Join(Header(4, 1, 1, 24, 0), {1, 2, 3}), "image type 4"},
        {Join(Header(2, 1, 1, 12, 0), {1, 2}), "12-bit pixels"},
        {Join(Header(2, 0, 1, 24, 0), {1, 2, 3}), "size 0 × 1"},
    };
    for (const auto& [bytes, reason] : cases) {
        QString why;
        EXPECT_TRUE(DecodeTga(bytes, why).isNull()) << reason;
        EXPECT_TRUE(why.contains(QString::fromUtf8(reason))) << reason << ": " << why.toStdString();
    }
}

}  // namespace
}  // namespace varnok::test
