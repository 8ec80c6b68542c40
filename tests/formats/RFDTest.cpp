#include <gtest/gtest.h>

#include "formats/FormatError.h"
#include "formats/cRFD.h"
#include "formats/io/Zlib.h"
#include "tests/formats/Failure.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

using test::ReadBytes;
using test::ReadText;
using Listing = std::vector<std::string>;
constexpr auto kCorrupt = FormatErrorKind::Corrupt;
constexpr auto kRange = FormatErrorKind::Range;

// True when fn raises a FormatError of that kind whose message contains `says`.
bool Fails(FormatErrorKind kind, const std::function<void()>& fn, std::string_view says = {}) {
    const test::Failure f = test::FailureOf(fn);
    return f.kind == kind && f.message.find(says) != std::string::npos;
}

std::string Text(const Bytes& b) { return {b.begin(), b.end()}; }

struct RFD : ::testing::Test {
    test::TempDir dir;
    cRFD rfd;
    void SetUp() override { rfd.RFDOpen(dir / "a.rfd"); }
};

TEST_F(RFD, AddWritesTheSizePrefixAndALevel9StreamThatExtractsAtTheEndOfTheFile) {
    const Bytes file = test::TextLikeBytes(1000, 3);
    const std::int32_t c = rfd.RFDAddFile(0, dir.write("src.bin", file), true);
    const Bytes data = ReadBytes(dir / "a.rfd");
    EXPECT_EQ(Text(data), "\xE8\x03" + std::string(2, '\0') + Text(CompressLevel9(file)));
    rfd.RFDExtractFile(0, c + 4, 1000, dir / "out.bin", true);
    EXPECT_EQ(ReadBytes(dir / "out.bin"), file);

    // Stored adds overwrite and grow the file but never shorten it.
    dir.write("a.rfd", "0123456789");
    const auto ab = dir.write("ab.txt", "ab");
    EXPECT_EQ(rfd.RFDAddFile(3, ab, false), 2);
    rfd.RFDAddFile(12, ab, false);
    const std::string expected("012ab56789\0\0ab", 14);
    EXPECT_EQ(ReadText(dir / "a.rfd"), expected);
    std::filesystem::resize_file(ab, std::uint64_t{1} << 31);  // sparse: 2^31 bytes
    EXPECT_TRUE(Fails(
        kRange, [&] { rfd.RFDAddFile(0, ab, true); }, "too large"));
    EXPECT_EQ(ReadText(dir / "a.rfd"), expected);
}

TEST_F(RFD, ExtractReplacesTheTargetWithExactlyThePayloadOrLeavesItAlone) {
    const Bytes hello = CompressLevel9(test::ToBytes("hello"));
    dir.write("a.rfd", "stored...." + std::string("\x05\0\0\0", 4) + Text(hello));
    const auto out = dir.write("out.txt", std::string(100, '#'));
    const auto helloSize = static_cast<std::int32_t>(hello.size());
    rfd.RFDExtractFile(0, 6, 0, out, false);
    EXPECT_EQ(ReadText(out), "stored");
    rfd.RFDExtractFile(10, 4 + helloSize, 5, out, true);
    EXPECT_EQ(ReadText(out), "hello");

    const Bytes stream = CompressLevel9(test::TextLikeBytes(3000, 5));
    const auto size = static_cast<std::int32_t>(4 + stream.size());
    dir.write("out.txt", "keep");
    dir.write("a.rfd", std::string(4, '\0') + Text(stream));
    EXPECT_TRUE(Fails(
        kCorrupt, [&] { rfd.RFDExtractFile(0, size, 2999, out, true); }, "offset 0x0 of"));
    EXPECT_TRUE(Fails(kCorrupt, [&] { rfd.RFDExtractFile(-1, size, 3000, out, true); }));
    dir.write("a.rfd", "AAAABBBBBBCC");
    EXPECT_TRUE(Fails(
        kCorrupt, [&] { rfd.RFDExtractFile(8, 5, 5, out, false); }, "ends at offset 0xC"));
    EXPECT_EQ(ReadText(out), "keep");
    EXPECT_EQ(dir.listing(), Listing({"a.rfd", "out.txt", "windows"}));
}

TEST_F(RFD, RemoveCutsOneBlockOrRefusesAndChangesNothing) {
    const struct {
        std::int32_t offset, length;
        const char* left;
    } cases[] = {{0, 4, "BBBBBBCC"},     {4, 6, "AAAACC"}, {10, 2, "AAAABBBBBB"}, {0, 12, ""},      {0, 13, ""},
                 {11, 2, "AAAABBBBBBC"}, {5, 12, nullptr}, {-1, 2, nullptr},      {3, -1, nullptr}, {12, 2, nullptr}};
    for (const auto& c : cases) {
        dir.write("a.rfd", "AAAABBBBBBCC");
        if (c.left)
            rfd.RFDRemoveFile(c.offset, c.length);
        else
            EXPECT_TRUE(Fails(kRange, [&] { rfd.RFDRemoveFile(c.offset, c.length); }));
        EXPECT_EQ(ReadText(dir / "a.rfd"), c.left ? c.left : "AAAABBBBBBCC") << c.offset << "+" << c.length;
    }
    const RFDBlock blocks[] = {{0, 4}, {10, 2}}, unordered[] = {{4, 2}, {0, 2}};
    ReplacementFile out(dir / "a.rfd");
    EXPECT_TRUE(Fails(kRange, [&] { rfd.RFDWriteWithout(unordered, out); }));
    rfd.RFDWriteWithout(blocks, out);
    EXPECT_EQ(ReadText(dir / "a.rfd"), "AAAABBBBBBCC");  // not yet committed
    out.commit();
    EXPECT_EQ(ReadText(dir / "a.rfd"), "BBBBBB");
    EXPECT_EQ(dir.listing(), Listing({"a.rfd", "windows"}));
}

TEST_F(RFD, OpenFindsTheDataFileInAnotherLetterCase) {
    dir.write("3DDATA0001.RFD", "x");
    rfd.RFDOpen(dir / "3DDATA0001.rfd");
    EXPECT_EQ(rfd.RFDFileName(), dir / "3DDATA0001.RFD");
    rfd.RFDClear();
    EXPECT_TRUE(rfd.RFDFileName().empty());
}

}  // namespace
}  // namespace varnok
