#include <gtest/gtest.h>

#include "formats/FormatError.h"
#include "formats/io/ByteReader.h"
#include "formats/io/File.h"
#include "formats/io/Zlib.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

using test::TempDir;
using test::ToBytes;

TEST(ByteReader, ReadsLittleEndianAndFailsStickyPastTheEnd) {
    const std::uint8_t raw[] = {0xE8, 0x03, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x07};
    ByteReader r(raw);
    EXPECT_EQ(r.u32le(), 1000u);
    EXPECT_EQ(r.i32le(), -1);
    EXPECT_EQ(r.remaining(), 1u);
    EXPECT_EQ(r.u32le(), 0u);  // only one byte left
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.u8(), 0u);  // stays failed
    EXPECT_TRUE(r.bytes(0).empty());
}

TEST(ReplacementFile, CommitReplacesAndAbandonLeavesTheOldFileWhole) {
    TempDir dir;
    auto target = dir.write("index.rfh", "old contents");
    {
        ReplacementFile out(target);
        out.write(ToBytes("half of the new"));
        // goes out of scope without commit, as when a write fails
    }
    EXPECT_EQ(test::ReadText(target), "old contents");
    EXPECT_EQ(dir.listing(), std::vector<std::string>({"index.rfh", "windows"}));

    WriteFileAtomically(target, ToBytes("new"));
    EXPECT_EQ(test::ReadText(target), "new");
    EXPECT_EQ(dir.listing(), std::vector<std::string>({"index.rfh", "windows"}));
}

TEST(ResolveNameCase, FindsTheDataFileWhoseCaseDiffers) {
    TempDir dir;
    dir.write("3DDATA0001.RFD", "x");
    EXPECT_EQ(ResolveNameCase(dir / "3DDATA0001.rfd"), dir / "3DDATA0001.RFD");
    EXPECT_EQ(ResolveNameCase(dir / "missing.rfd"), dir / "missing.rfd");
}

TEST(Zlib, InflateExactChecksLengthAndDamage) {
    auto data = test::TextLikeBytes(5000, 1);
    auto stream = CompressLevel9(data);
    EXPECT_EQ(InflateExact(stream, data.size(), "entry"), data);

    auto padded = stream;
    padded.push_back(0);
    padded.push_back(0);  // trailing bytes after the stream are ignored
    EXPECT_EQ(InflateExact(padded, data.size(), "entry"), data);

    auto expectCorrupt = [](auto fn) {
        try {
            fn();
            ADD_FAILURE() << "no error";
        } catch (const FormatError& e) {
            EXPECT_EQ(e.kind(), FormatErrorKind::Corrupt);
        }
    };
    expectCorrupt([&] { InflateExact(stream, data.size() - 1, "entry"); });
    expectCorrupt([&] { InflateExact(stream, data.size() + 1, "entry"); });
    expectCorrupt([&] { InflateExact(std::span(stream).first(stream.size() / 2), data.size(), "entry"); });
    auto damaged = stream;
    damaged[stream.size() / 2] ^= 0x55;
    expectCorrupt([&] { InflateExact(damaged, data.size(), "entry"); });
    // A huge stored size on a tiny stream is refused without a huge allocation.
    expectCorrupt([&] { InflateExact(stream, 0xFFFFFFFFu, "entry"); });
}

TEST(Zlib, EmptyPayloadRoundTrips) {
    auto stream = CompressLevel9({});
    EXPECT_TRUE(InflateExact(stream, 0, "empty").empty());
}

}  // namespace
}  // namespace varnok
