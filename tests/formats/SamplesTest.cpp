#include <gtest/gtest.h>

#include "formats/cBAG.h"
#include "formats/cMPK.h"
#include "formats/cRFH.h"
#include "samples/SampleArchives.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

using test::ReadBytes;
using test::TempDir;

TEST(SampleArchives, AreDeterministicAndReopenWhole) {
    TempDir dir;
    samples::WriteSampleArchives(dir / "a");
    samples::WriteSampleArchives(dir / "b");
    for (const char* name : {"demo.rfh", "demo.rfd", "demo.bag", "demo.mpk"}) {
        EXPECT_EQ(ReadBytes(dir / "a" / name), ReadBytes(dir / "b" / name)) << name;
    }
    EXPECT_EQ(dir.listing("a"), std::vector<std::string>({"demo.bag", "demo.mpk", "demo.rfd", "demo.rfh"}));

    cRFH rfh;
    rfh.RFHOpen(dir / "a" / "demo.rfh");
    ASSERT_EQ(rfh.GetFileCount(), 320);
    EXPECT_FALSE(rfh.RFHDamagedAt());
    // Saved unchanged, the index is the same bytes.
    rfh.RFHSave(dir / "copy.rfh");
    EXPECT_EQ(ReadBytes(dir / "copy.rfh"), ReadBytes(dir / "a" / "demo.rfh"));

    cBAG bag;
    ASSERT_TRUE(bag.BAGValid(dir / "a" / "demo.bag"));
    bag.BAGOpen(dir / "a" / "demo.bag");
    ASSERT_EQ(bag.BAGGetFileCount(), 8);
    EXPECT_EQ(bag.BAGReadFile(8, true).size(), 44 + 22 * 1017 * 2u);  // 22050 samples fill 22 blocks

    EXPECT_EQ(cMPK().MPKTestArchive(dir / "a" / "demo.mpk"), "0");
}

}  // namespace
}  // namespace varnok
