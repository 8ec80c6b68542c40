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

    cRFH rfh;
    rfh.RFHOpen(dir / "a" / "demo.rfh");
    EXPECT_EQ(rfh.GetFileCount(), 320);
    cBAG bag;
    bag.BAGOpen(dir / "a" / "demo.bag");
    EXPECT_EQ(bag.BAGReadFile(8, true).size(), 44 + 22 * 1017 * 2u);  // 22050 samples fill 22 blocks
    EXPECT_EQ(cMPK().MPKTestArchive(dir / "a" / "demo.mpk"), "0");
}

}  // namespace
}  // namespace varnok
