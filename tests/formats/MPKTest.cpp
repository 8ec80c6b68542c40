#include <gtest/gtest.h>

#include "formats/cMPK.h"
#include "formats/io/Zlib.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

using test::ReadText;
using test::TempDir;
using Strings = std::vector<std::string>;

std::string Enc(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(static_cast<unsigned char>(c) + 2);
    return out;
}

std::string Record(int number, std::string_view name, std::string_view original, std::string_view compressed) {
    return std::to_string(number) + Enc(name) + "\xFD" + Enc(original) + "\xFE" + Enc(compressed) + "\xFF";
}

// A package written by hand: the header around the given entry records, then `data`.
std::string Package(std::string_view count, std::string_view records, std::string_view data = {}) {
    const std::string table = "\xC9" + Enc(count) + "\xFF" + std::string(records);
    std::size_t h = table.size() + 5;
    while (4 + std::to_string(h).size() + table.size() != h) ++h;
    return "MPK\x02" + Enc(std::to_string(h)) + table + std::string(data);
}

std::string Text(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(MPK, OnePackedFileHasThisHeaderAndReadsBack) {
    TempDir dir;
    const cMPK mpk;
    const Bytes data = test::TextLikeBytes(1000, 7);
    const auto source = dir.write("src/a.txt", data);
    const auto pgi = dir / "one.pgi";
    ASSERT_EQ(mpk.MPKCreate(pgi, source.string(), false), 0);

    const Bytes stream = CompressLevel9(data);
    ASSERT_EQ(std::to_string(stream.size()).size(), 3u);  // so the header is 25 bytes long
    EXPECT_EQ(ReadText(pgi), Package("1", Record(1, "a.txt", "1000", std::to_string(stream.size())), Text(stream)));
    EXPECT_EQ(mpk.MPKTestArchive(pgi), "0");
    EXPECT_EQ(mpk.MPKExtractFile(pgi, 2, dir / "x", true), -5);
    EXPECT_EQ(mpk.MPKTestArchive(dir / "missing.pgi"), "-8");

    dir.write("one.pgi", ReadText(pgi) + "!");
    EXPECT_EQ(mpk.MPKTestArchive(pgi), "-5");
}

TEST(MPK, HeaderLengthCountsTheDigitsItAdds) {
    TempDir dir;
    const cMPK mpk;
    // 3 + 1 + 85 + 5 = 94 bytes of table: 4 + 2 + 94 = 100 needs a third digit.
    const std::string name(85, 'n');
    const auto source = dir.write(name, "");
    const auto pgi = dir / "p.pgi";
    ASSERT_EQ(mpk.MPKCreate(pgi, source.string(), false), 0);
    const std::string bytes = ReadText(pgi);
    EXPECT_EQ(bytes.substr(0, 8), "MPK\x02\x33\x32\x33\xC9");
    EXPECT_EQ(bytes.substr(96, 5), "\xFD\x32\xFE\x3A\xFF");  // sizes 0 and 8, the header's last byte is 100
    EXPECT_EQ(bytes.size(), 101u + 8u);
}

TEST(MPK, EveryEntryIsFoundWhateverItsNumberAndName) {
    TempDir dir;
    const cMPK mpk;
    // Shifted, '.' and '0' become the digits 0 and 2: "1" + ".one" looks like the start
    // of entry 10, "10" + ".ten" like entry 100. û ü ý þ ÿ shift onto FD FE FF 00 01.
    auto nameOf = [](int i) -> std::string {
        switch (i) {
            case 1: return ".one";
            case 2: return "0two";
            case 3: return "\xFB\xFC\xFD\xFE\xFF";
            case 10: return ".ten";
            default: return "f" + std::to_string(i);
        }
    };
    std::string list;
    for (int i = 1; i <= 100; ++i) list += "|" + dir.write("src/" + nameOf(i), std::string(i, 'x')).string();
    const auto pgi = dir / "many.pgi";
    ASSERT_EQ(mpk.MPKCreate(pgi, list, false), 0);
    ASSERT_EQ(mpk.MPKGetFileCount(pgi), "100");
    ASSERT_EQ(mpk.MPKExtractAll(pgi, dir / "out/deeper"), "0");
    for (int i = 1; i <= 100; ++i) EXPECT_EQ(ReadText(dir / "out/deeper" / nameOf(i)), std::string(i, 'x'));
}

TEST(MPK, CreateTakesTheListInOrderAndLeavesAnOldPackageWhole) {
    TempDir dir;
    const cMPK mpk;
    const auto pgi = dir / "p.pgi";
    const std::string a1 = dir.write("x/a", "first a").string(), b = dir.write("x/b", "b").string(),
                      a2 = dir.write("y/a", "second a").string();
    ASSERT_EQ(mpk.MPKCreate(pgi, "|" + a1 + "|" + b + "|" + a2 + "|", false), 0);
    // Two sources with one file name keep their own data.
    EXPECT_EQ(mpk.MPKExtractFile(pgi, 1, dir / "1", false), 0);
    EXPECT_EQ(mpk.MPKExtractFile(pgi, 3, dir / "3", false), 0);
    EXPECT_EQ(ReadText(dir / "1"), "first a");
    EXPECT_EQ(ReadText(dir / "3"), "second a");

    const std::string before = ReadText(pgi);
    EXPECT_EQ(mpk.MPKCreate(pgi, b, false), -12);
    EXPECT_EQ(mpk.MPKCreate(pgi, b + "|" + (dir / "nope").string(), true), -4);
    EXPECT_EQ(mpk.MPKCreate(pgi, "||", true), -7);
    EXPECT_EQ(ReadText(pgi), before);
    EXPECT_EQ(dir.listing(), Strings({"1", "3", "p.pgi", "windows", "x", "y"}));
}

TEST(MPK, ExtractFileReplacesTheTargetWholeOrNotAtAll) {
    TempDir dir;
    const cMPK mpk;
    const Bytes stream = CompressLevel9(test::ToBytes("hello"));
    const std::string size = std::to_string(stream.size());
    const auto good = dir.write("good.pgi", Package("1", Record(1, "h", "5", size), Text(stream)));
    const auto target = dir.write("out.txt", "old");
    EXPECT_EQ(mpk.MPKExtractFile(good, 1, target, false), -6);
    EXPECT_EQ(ReadText(target), "old");
    EXPECT_EQ(mpk.MPKExtractFile(good, 1, dir / "fresh.txt", false), 0);
    EXPECT_EQ(ReadText(dir / "fresh.txt"), "hello");

    Bytes damaged = stream;
    damaged[2] ^= 0xFF;
    const auto broken = dir.write("broken.pgi", Package("1", Record(1, "h", "5", size), Text(damaged)));
    const auto longer = dir.write("longer.pgi", Package("1", Record(1, "h", "6", size), Text(stream)));
    for (const auto& pgi : {broken, longer}) EXPECT_EQ(mpk.MPKExtractFile(pgi, 1, target, true), -5);
    EXPECT_EQ(ReadText(target), "old");
    EXPECT_EQ(dir.listing(), Strings({"broken.pgi", "fresh.txt", "good.pgi", "longer.pgi", "out.txt", "windows"}));
}

TEST(MPK, ExtractAllKeepsEveryEntryInsideTheFolder) {
    TempDir dir;
    const cMPK mpk;
    const std::string stream = Text(CompressLevel9(test::ToBytes("x")));
    const std::string size = std::to_string(stream.size());
    const auto plain = dir.write("plain.pgi", Package("1", Record(1, "ok", "1", size), stream));
    EXPECT_EQ(mpk.MPKExtractAll(plain, "C:"), "-5");
    EXPECT_EQ(mpk.MPKExtractAll(dir / "missing.pgi", dir / "out"), "-5");

    const Strings hostile = {
        "", ".", "..", "../evil", "sub/evil", "sub\\evil", "/tmp/evil", "C:evil", std::string("ev\0il", 5)};
    for (const std::string& name : hostile) {
        const auto pgi =
            dir.write("h.pgi", Package("2", Record(1, "ok", "1", size) + Record(2, name, "1", size), stream + stream));
        EXPECT_EQ(mpk.MPKExtractAll(pgi, dir / "out"), "-5") << name;
        EXPECT_EQ(dir.listing("out"), Strings({"ok"})) << name;
    }
    EXPECT_EQ(dir.listing(), Strings({"h.pgi", "out", "plain.pgi", "windows"}));
}

TEST(MPK, MalformedHeadersAreNotPackages) {
    TempDir dir;
    const cMPK mpk;
    const std::string one = Record(1, "a", "1", "1");
    const Strings cases = {
        "MPK\x02" + Enc(std::string(26, '0') + "42") + Package("1", one).substr(6),  // length beyond byte 30
        "MPK\x02\x3B\x3B\xC9\x33\xFF" + one,                                         // header of 99 bytes
        Package("2", one),
        Package("1", one + Record(2, "b", "1", "1")),  // count too high, too low
        Package("1", Record(2, "a", "1", "1")),        // misnumbered
        Package("1", Record(1, "a", "-1", "1")),
        Package("2", one + Record(2, "b", "1", "9223372036854775807")),  // offsets overflow
        "MPK\x02",
    };
    const auto pgi = dir / "bad.pgi";
    for (const std::string& bytes : cases) {
        dir.write("bad.pgi", bytes + "padding");
        EXPECT_EQ(mpk.MPKGetFileCount(pgi), "-5") << testing::PrintToString(bytes);
        EXPECT_EQ(mpk.MPKExtractAll(pgi, dir / "folder"), "-5");
    }
    EXPECT_EQ(dir.listing(), Strings({"bad.pgi", "windows"}));
}

}  // namespace
}  // namespace varnok
