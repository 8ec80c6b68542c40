// The file and inflation layer under the formats: the replacement file, and the
// fast paths (kernel copies, writes without a flush, inflation from pieces), which
// must give the bytes the plain path gives.
#include <gtest/gtest.h>

#include <random>

#include "formats/FormatError.h"
#include "formats/io/ByteReader.h"
#include "formats/io/File.h"
#include "formats/io/HeldFile.h"
#include "formats/io/Zlib.h"
#include "tests/formats/Failure.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

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
    out.commit();
    EXPECT_EQ(ReadBytes(dir / "out.bin"), expected);

    // A copy that runs past the end of its source fails, whatever its size, and
    // names where the source ended.
    for (const std::uint64_t n : {100ULL, 20'000ULL, 2'000'000ULL}) {
        ReplacementFile past(dir / "past-end.bin", ReplacementFile::Sync::ProcessSafe);
        past.write(Bytes(10, 1));
        const std::string message = MessageOf([&] { past.copyFrom(in, source.size() - n / 2, n); });
        EXPECT_NE(message.find("ended early at offset " + std::to_string(source.size())), std::string::npos)
            << n << ": " << message;
    }
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
        dropped.finish();
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
}

// A held file is found under every spelling of its path that names it lexically;
// a key that differed would let a write pass by the hold.
TEST(HeldFile, KeysAreTheLexicallyNormalPath) {
    for (const char* path : {"/a/b.rfh", "a/b.rfh", "b", "/", "", ".", "..", "/a//b", "/a/./b", "a/../b", "/a/b/",
                             "./a", "../a", "/a/b/.", "/a/b/..", ".hidden/.x", "a/...", "//a"}) {
        EXPECT_EQ(HeldKey(path), fs::path(path).lexically_normal().string()) << path;
    }
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
    EXPECT_EQ(InflateExact(padded, plain.size(), "the entry"), plain);  // bytes after the stream are ignored
    const std::span<const std::uint8_t> whole(stream), cut = whole.first(stream.size() / 2);
    for (const auto& [bytes, size] : {std::pair{whole, plain.size() - 1},
                                      {whole, plain.size() + 1},
                                      {cut, plain.size()},
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
