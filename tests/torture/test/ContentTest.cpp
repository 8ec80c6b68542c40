#include <gtest/gtest.h>

#include "tests/torture/Content.h"

namespace varnok::torture {
namespace {

TEST(TortureContent, EntryBytesCarryTheirIdentity) {
    const Bytes bytes = EntryBytes({"e12", 7});
    const std::string head(bytes.begin(), bytes.begin() + 11);
    EXPECT_EQ(head, "VNKT e12 7\n");
    EXPECT_EQ(IdentityIn(ArchiveKind::Rfh, bytes), (Identity{"e12", 7}));
}

TEST(TortureContent, VersionsOfAnEntryDiffer) { EXPECT_NE(EntryBytes({"e12", 7}), EntryBytes({"e12", 8})); }

TEST(TortureContent, WaveFileIsCanonicalPcm) {
    const Bytes wave = WaveFile({"f3", 0});
    ASSERT_GT(wave.size(), 44u);
    auto text = [&](std::size_t at) { return std::string(wave.begin() + at, wave.begin() + at + 4); };
    auto le32 = [&](std::size_t at) {
        return wave[at] | wave[at + 1] << 8 | wave[at + 2] << 16 | static_cast<std::uint32_t>(wave[at + 3]) << 24;
    };
    EXPECT_EQ(text(0), "RIFF");
    EXPECT_EQ(le32(4), wave.size() - 8);
    EXPECT_EQ(text(8), "WAVE");
    EXPECT_EQ(text(12), "fmt ");
    EXPECT_EQ(le32(16), 16u);
    EXPECT_EQ(wave[20], 1);  // PCM
    EXPECT_EQ(wave[22], 1);  // mono
    EXPECT_EQ(le32(24), 11025u);
    EXPECT_EQ(wave[34], 16);  // bits per sample
    EXPECT_EQ(text(36), "data");
    EXPECT_EQ(le32(40), wave.size() - 44);
    EXPECT_EQ(le32(40) % 2, 0u);
    EXPECT_EQ(IdentityIn(ArchiveKind::Bag, wave), (Identity{"f3", 0}));
}

TEST(TortureContent, ForeignBytesCarryNoIdentity) {
    const std::string text = "RIFF and nothing else";
    EXPECT_FALSE(IdentityIn(ArchiveKind::Rfh, Bytes(text.begin(), text.end())));
    EXPECT_FALSE(IdentityIn(ArchiveKind::Bag, Bytes(text.begin(), text.end())));
}

TEST(TortureContent, RenamedNamesKeepTheirId) {
    EXPECT_EQ(IdOfName("e12r345"), "e12");
    EXPECT_EQ(IdOfName("e12"), "e12");
    EXPECT_EQ(IdOfName("f3"), "f3");
}

}  // namespace
}  // namespace varnok::torture
