// The file and inflation layer under the formats: the replacement file, and the
// fast paths (read-ahead, kernel copies, writes without a flush, payloads prepared
// apart, inflation from pieces), which must give the bytes the plain path gives.
#include <gtest/gtest.h>

#include <random>

#include "formats/FormatError.h"
#include "formats/cRFD.h"
#include "formats/io/ByteReader.h"
#include "formats/io/File.h"
#include "formats/io/Zlib.h"
#include "tests/formats/Failure.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

using test::KindOf;
using test::MessageOf;
using test::ReadBytes;

namespace fs = std::filesystem;

TEST(ReplacementFile, CommitReplacesAndAbandonLeavesTheOldFileWhole) {
    test::TempDir dir;
    auto target = dir.write("index.rfh", "old contents");
    {
        ReplacementFile out(target);
        out.write(test::ToBytes("half of the new"));
        // goes out of scope without commit, as when a write fails
    }
    EXPECT_EQ(test::ReadText(target), "old contents");
    EXPECT_EQ(dir.listing(), std::vector<std::string>({"index.rfh", "windows"}));

    WriteFileAtomically(target, test::ToBytes("new"));
    EXPECT_EQ(test::ReadText(target), "new");
    EXPECT_EQ(dir.listing(), std::vector<std::string>({"index.rfh", "windows"}));
}

TEST(FastIo, SmallReadsInARowAndJumpsReadWhatIsThere) {
    test::TempDir dir;
    const Bytes file = test::PseudoRandomBytes(300'000, 1);
    const auto path = dir.write("f.bin", file);
    InputFile in(path);
    std::mt19937 rng(2);
    std::uint64_t at = 0;
    for (int i = 0; i < 3000; ++i) {
        if (rng() % 10 == 0) at = rng() % (file.size() + 100);  // a jump, now and then past the end
        const std::size_t want = rng() % 9 == 0 ? 4096 + rng() % 70000 : rng() % 300;
        Bytes got(want, 0xEE);
        const std::size_t n = in.readAt(at, got);
        const std::size_t there = at >= file.size() ? 0 : std::min<std::size_t>(want, file.size() - at);
        ASSERT_EQ(n, there) << "read " << i << " at " << at;
        ASSERT_TRUE(std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(n),
                               file.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(at, file.size()))))
            << "read " << i << " at " << at;
        at += n;
    }
}

TEST(FastIo, CopiesAndWritesOfAnySizeKeepTheirOrder) {
    test::TempDir dir;
    const Bytes source = test::PseudoRandomBytes(3'500'000, 3);
    const InputFile in(dir.write("source.bin", source));
    Bytes expected;
    ReplacementFile out(dir / "out.bin", ReplacementFile::Sync::ProcessSafe);
    std::mt19937 rng(4);
    for (int i = 0; i < 12; ++i) {
        const std::uint64_t offset = rng() % 1'000'000;
        const std::uint64_t n = i % 3 == 0 ? 1'048'576 + rng() % 1'000'000 : rng() % 70'000;
        out.copyFrom(in, offset, n);
        expected.insert(expected.end(), source.begin() + static_cast<std::ptrdiff_t>(offset),
                        source.begin() + static_cast<std::ptrdiff_t>(offset + n));
        const Bytes piece = test::TextLikeBytes(i % 2 == 0 ? 300'000 : 17, static_cast<std::uint32_t>(i));
        out.write(piece);
        expected.insert(expected.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(out.written(), expected.size());
    out.commit();
    EXPECT_EQ(ReadBytes(dir / "out.bin"), expected);

    dir.write("old.bin", "keep");
    ReplacementFile past(dir / "old.bin");
    EXPECT_NE(MessageOf([&] { past.copyFrom(in, 2'000'000, 2'000'000); }).find("ended early"), std::string::npos);
    EXPECT_EQ(test::ReadText(dir / "old.bin"), "keep");
}

// An unnamed replacement shows nothing in its folder until it is committed, and
// nothing at all when it is dropped; over an existing file it keeps its mode and
// leaves no staging file.
TEST(FastIo, UnnamedReplacementsAppearOnlyWhole) {
    test::TempDir dir;
    const fs::path folder = dir / "out";
    fs::create_directories(folder);
    const Bytes source = test::PseudoRandomBytes(100'000, 7);
    const InputFile in(dir.write("source.bin", source));
    constexpr auto kSync = ReplacementFile::Sync::ProcessSafe;
    constexpr auto kUnnamed = ReplacementFile::Staging::Unnamed;
    {
        ReplacementFile dropped(folder / "a.wav", kSync, kUnnamed);
        dropped.write(Bytes(100, 1));
        dropped.copyFrom(in, 0, 100'000);
        dropped.finish();
        EXPECT_TRUE(dir.listing(folder).empty());
    }
    EXPECT_TRUE(dir.listing(folder).empty());

    ReplacementFile fresh(folder / "a.wav", kSync, kUnnamed);
    fresh.write(Bytes(3, 2));
    fresh.copyFrom(in, 10, 50'000);
    EXPECT_TRUE(dir.listing(folder).empty());
    fresh.commit();
    Bytes expected(3, 2);
    expected.insert(expected.end(), source.begin() + 10, source.begin() + 10 + 50'000);
    EXPECT_EQ(ReadBytes(folder / "a.wav"), expected);

    const auto old = dir.write("out/b.wav", "old");
    fs::permissions(old, fs::perms::owner_read | fs::perms::owner_write);
    ReplacementFile over(old, kSync, kUnnamed);
    over.write(Bytes(5, 9));
    over.commit();
    EXPECT_EQ(ReadBytes(old), Bytes(5, 9));
    EXPECT_EQ(fs::status(old).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(dir.listing(folder), std::vector<std::string>({"a.wav", "b.wav"}));

    EXPECT_TRUE(KindOf([&] { ReplacementFile(dir / "missing" / "c.wav", kSync, kUnnamed); }).has_value());
}

TEST(FastIo, APayloadPreparedApartIsWhatAnAddWrites) {
    test::TempDir dir;
    const auto source = dir.write("src.txt", test::TextLikeBytes(50'000, 5));
    for (const bool packed : {true, false}) {
        cRFD whole, apart;
        whole.RFDOpen(dir / "whole.rfd");
        apart.RFDOpen(dir / "apart.rfd");
        apart.RFDFlush();  // nothing written yet: nothing to flush
        const std::int32_t length = whole.RFDAddFile(7, source, packed);
        const RFDPayload payload = cRFD::RFDPreparePayload(source, packed);
        EXPECT_EQ(payload.Length(), length);
        EXPECT_EQ(apart.RFDWritePayload(7, payload, ReplacementFile::Sync::ProcessSafe), length);
        apart.RFDFlush();
        EXPECT_EQ(ReadBytes(dir / "apart.rfd"), ReadBytes(dir / "whole.rfd"));
        std::filesystem::remove(dir / "whole.rfd");
        std::filesystem::remove(dir / "apart.rfd");
    }
    EXPECT_EQ(MessageOf([&] { cRFD::RFDPreparePayload(dir / "missing", true); }).substr(0, 11), "cannot open");
}

// A stream inflated whole or from pieces gives exactly its stored size or fails the
// same way: too long, too short, cut, damaged, or a huge size on a tiny stream
// (refused without a huge allocation); bytes after the stream are ignored.
TEST(Zlib, InflatingWholeOrFromPiecesChecksLengthAndDamage) {
    const Bytes plain = test::TextLikeBytes(1'200'000, 6);
    const Bytes stream = CompressLevel9(plain);
    std::mt19937 rng(7);
    const auto fromPieces = [&](std::span<const std::uint8_t> bytes, std::uint64_t size) {
        std::size_t at = 0;
        Bytes out, piece;
        InflateExactTo(
            [&] {
                const std::size_t n = std::min<std::size_t>(bytes.size() - at, 1 + rng() % 40'000);
                piece.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                             bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
                at += n;
                return std::span<const std::uint8_t>(piece);
            },
            size, "the entry",
            [&](std::span<const std::uint8_t> part) { out.insert(out.end(), part.begin(), part.end()); });
        return out;
    };
    Bytes padded = stream, damaged = stream;
    padded.insert(padded.end(), {0, 0});
    damaged[stream.size() / 2] ^= 0x55;
    EXPECT_EQ(fromPieces(stream, plain.size()), plain);
    EXPECT_EQ(InflateExact(padded, plain.size(), "the entry"), plain);
    const std::span<const std::uint8_t> whole(stream), cut = whole.first(stream.size() / 2);
    for (const auto& [bytes, size] : {std::pair{whole, plain.size() - 1},
                                      {whole, plain.size() + 1},
                                      {cut, plain.size()},
                                      {cut, std::size_t{1000}},
                                      {std::span<const std::uint8_t>(damaged), plain.size()},
                                      {whole, std::size_t{0xFFFFFFFFu}},
                                      {std::span<const std::uint8_t>{}, std::size_t{5}}}) {
        const test::Failure f = test::FailureOf([&] { InflateExact(bytes, size, "the entry"); });
        EXPECT_EQ(f.kind, FormatErrorKind::Corrupt) << size;
        if (size != 0xFFFFFFFFu) {
            EXPECT_EQ(MessageOf([&] { fromPieces(bytes, size); }), f.message) << size;
        }
    }
}

}  // namespace
}  // namespace varnok
