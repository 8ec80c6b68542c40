#include <gtest/gtest.h>

#include <random>

#include "formats/FormatError.h"
#include "formats/cRFH.h"
#include "formats/io/ByteReader.h"
#include "formats/io/File.h"
#include "tests/formats/Failure.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

using test::KindOf;
using test::ReadBytes;
using test::TempDir;
namespace fs = std::filesystem;
using Rows = std::vector<std::string>;

Bytes Entry(std::string_view name, std::int32_t packedSize, std::int32_t offset, std::int32_t packed = 2) {
    Bytes out(24);
    const std::int32_t fields[] = {
        static_cast<std::int32_t>(name.size() + 1), cRFH::kNewDateAdded, packed, packedSize, 1000, offset};
    for (int i = 0; i < 6; ++i) PutI32le(&out[4 * i], fields[i]);
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
    return out;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Entries 1..count as "path|name|NameLen|Packed|PackedSize|OffSet".
Rows Describe(const cRFH& t) {
    Rows rows;
    for (std::int32_t n = 1; n <= t.GetFileCount(); ++n) {
        rows.push_back(t.GetFilePath(n) + "|" + t.GetFileName(n) + "|" + std::to_string(t.GetFileNaneLen(n)) + "|" +
                       t.GetPacked(n) + "|" + std::to_string(t.GetPackedSize(n)) + "|" +
                       std::to_string(t.GetOffSet(n)));
    }
    return rows;
}

TEST(RFH, ReadsAByteImageAndSavesTheSameBytes) {
    TempDir dir;
    const Bytes first = {0x08, 0,    0, 0, 0xCC, 0xE1, 0xFB, 0x3B, 2,   0,    0,   0,   0x64, 0,   0,   0,
                         0xE8, 0x03, 0, 0, 0,    0,    0,    0,    'a', '\\', 'b', '.', 't',  'x', 't', 0};
    const Bytes image = Join({first, Entry("MAPS\\#M70 Claw Rock\\=AT_overhangwall_D_128.tga", 7, 100, 0),
                              Entry("\xE9t\xE9 !@=%$.txt", 12, 107), Entry("\\a.bin", 1, 119)});
    cRFH t;
    t.RFHOpen(dir.write("a.rfh", image));
    EXPECT_EQ(Describe(t),
              Rows({"a\\|b.txt|8|Yes|100|0", "MAPS\\#M70 Claw Rock\\|=AT_overhangwall_D_128.tga|47|No|7|100",
                    "|\xE9t\xE9 !@=%$.txt|14|Yes|12|107", "|\\a.bin|7|Yes|1|119"}));
    EXPECT_EQ(t.GetDateAdded(1), 1006363084);
    EXPECT_FALSE(t.RFHDamagedAt() || t.RFHTruncated());
    t.RFHSave(dir / "b.rfh");
    EXPECT_EQ(ReadBytes(dir / "b.rfh"), image);
}

TEST(RFH, StopsAtTheFirstEntryThatDoesNotFit) {
    const Bytes e = Entry("x.bin", 10, 0);  // 30 bytes
    Bytes zeroLen = e;
    PutI32le(zeroLen.data(), 0);
    Bytes full;  // 5000 entries, the most an index holds
    for (int i = 0; i < 5000; ++i) full.insert(full.end(), e.begin(), e.end());
    const struct {
        Bytes image;
        std::int32_t count;
        std::optional<std::uint64_t> damagedAt;
        bool truncated = false;
    } cases[] = {
        {Join({full, e}), 5000, {}, true},  // more follow
        {{}, 0, {}},
        {Join({e, {0x07}}), 1, {}},                         // a stray last byte is no entry
        {Join({e, {0, 0}}), 1, 30},                         // two bytes are the start of one
        {Join({e, Bytes(e.begin(), e.end() - 1)}), 1, 30},  // name runs past the end
        {Join({e, zeroLen}), 1, 30},
        {Join({e, Entry("", 1, 1)}), 2, {}},
    };
    TempDir dir;
    cRFH t;
    for (const auto& c : cases) {
        t.RFHOpen(dir.write("a.rfh", c.image));
        EXPECT_EQ(t.GetFileCount(), c.count);
        EXPECT_EQ(t.RFHDamagedAt(), c.damagedAt);
        EXPECT_EQ(t.RFHTruncated(), c.truncated);
        if (c.count == 5000) {  // full: nothing more is added
            EXPECT_EQ(KindOf([&] { t.RFHAddFile(dir / "a.rfh", "g", 1); }), FormatErrorKind::Range);
        }
    }
    t.RFHSave(dir / "good.rfh");  // keeps what could be read
    EXPECT_EQ(ReadBytes(dir / "good.rfh"), Join({e, Entry("", 1, 1)}));

    // Opening never creates: a missing index is a failure and stays missing.
    EXPECT_EQ(KindOf([&] { t.RFHOpen(dir / "new.rfh"); }), FormatErrorKind::InputOutput);
    EXPECT_FALSE(fs::exists(dir / "new.rfh"));
}

TEST(RFH, AddFileDropsOneLeadingBackslashAndAppendsAfterTheLastPayload) {
    TempDir dir;
    const auto source = dir.write("src.bin", std::string(1000, 'z'));
    cRFH t;
    t.RFHAddFile(source, "\\folder\\a.bin", 50);
    t.RFHAddFile(source, "\\\\x", 20);
    EXPECT_EQ(Describe(t), Rows({"folder\\|a.bin|13|Yes|54|0", "|\\x|3|Yes|24|54"}));
    EXPECT_EQ(t.RFHNextOffSet(), 78);
    t.RFHSave(dir / "a.rfh");
    EXPECT_EQ(ReadBytes(dir / "a.rfh"), Join({Entry("folder\\a.bin", 54, 0), Entry("\\x", 24, 54)}));
}

// Entries n1..nk with the given (OffSet, PackedSize) pairs.
cRFH Table(const TempDir& dir, const std::vector<std::pair<std::int32_t, std::int32_t>>& payloads) {
    const auto source = dir / "src.bin";
    if (!std::filesystem::exists(source)) dir.write("src.bin", "s");
    cRFH t;
    for (const auto& [offset, size] : payloads) {
        t.RFHAddFile(source, "n" + std::to_string(t.GetFileCount() + 1), 0);
        t.SetOffSet(t.GetFileCount(), offset);
        t.SetPackedSize(t.GetFileCount(), size);
    }
    return t;
}

TEST(RFH, RemovingMovesOnlyThePayloadsAfterTheRemovedOne) {
    TempDir dir;
    cRFH t = Table(dir, {{0, 100}, {100, 150}, {250, 80}});
    t.RFHRemoveFile(2);
    EXPECT_EQ(Describe(t), Rows({"|n1|3|Yes|100|0", "|n3|3|Yes|80|100"}));
    t.RFHRemoveFile(2);  // the last one: only its row is cleared
    EXPECT_EQ(Describe(t), Rows({"|n1|3|Yes|100|0"}));

    t = Table(dir, {{80, 100}, {180, 150}, {0, 80}});  // payloads not in table order
    EXPECT_EQ(t.RFHNextOffSet(), 330);
    t.RFHRemoveFile(1);
    EXPECT_EQ(Describe(t), Rows({"|n2|3|Yes|150|80", "|n3|3|Yes|80|0"}));
}

TEST(RFH, RatioRoundsHalvesToEven) {
    const struct {
        std::int32_t packed, original;
        const char* text;
    } cases[] = {{505, 1000, "50%"}, {515, 1000, "48%"}, {5, 0, ""}, {32767, 100, "-32667%"}, {32768, 100, ""}};
    cRFH t;
    for (const auto& c : cases) {
        t.SetPackedSize(4999, c.packed);
        t.SetOriginalSize(4999, c.original);
        EXPECT_EQ(t.GetRatio(4999), c.text) << c.packed << "/" << c.original;
    }
}

}  // namespace
}  // namespace varnok
