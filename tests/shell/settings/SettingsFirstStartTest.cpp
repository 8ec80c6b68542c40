#include <gtest/gtest.h>

#include "platform/Folders.h"
#include "shell/settings/FirstStart.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

using test::ReadText;
using test::TempDir;

const std::string kOldSettings = "[Position]\r\nWidth=9000\r\n[RecentFiles]\r\n1=C:\\Games\\3DDATA.RFH\r\n";

TEST(SettingsFirstStart, YesCopiesTheOldSettingsUnchanged) {
    TempDir dir;
    dir.write("windows/trevlan.ini", kOldSettings);
    std::string asked;
    EXPECT_TRUE(OfferSettingsImport([&](const std::string& question) {
        asked = question;
        return true;
    }));
    EXPECT_EQ(asked,
              "This is the first time your runned Varnok 2 on this system, and the old settings of Varnok 1.xx "
              "has detected\r\nDo you want to import the Varnok 1.xx settings to Varnok 2?");
    EXPECT_EQ(ReadText(SettingsFile()), kOldSettings);
}

TEST(SettingsFirstStart, AskedOnlyWhenTheOldSettingsAreAloneAndNoCopiesNothing) {
    TempDir dir;
    int asked = 0;
    const auto no = [&](const std::string&) {
        ++asked;
        return false;
    };
    EXPECT_FALSE(OfferSettingsImport(no));  // nothing to import

    dir.write("windows/trevlan.ini", kOldSettings);
    EXPECT_TRUE(OfferSettingsImport(no));
    EXPECT_FALSE(FileExists(SettingsFile().string()));

    StampVersion();
    EXPECT_EQ(ReadText(SettingsFile()), "[Version]\nVersion=2.00\nNumber=200\nBuild=77\n");
    EXPECT_FALSE(OfferSettingsImport(no));
    EXPECT_EQ(asked, 1);
}

}  // namespace
}  // namespace varnok
