#include <gtest/gtest.h>

#include "platform/Folders.h"
#include "shell/settings/FirstStart.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempDir;

const std::string kOldSettings = "[Position]\r\nWidth=9000\r\n[RecentFiles]\r\n1=C:\\Games\\3DDATA.RFH\r\n";

// Asked only while the old settings are there alone: No copies nothing, Yes copies them unchanged.
TEST(SettingsFirstStart, AskedOnlyWhenTheOldSettingsAreAloneAndYesCopiesThem) {
    TempDir dir;
    std::vector<std::string> asked;
    bool answer = false;
    const auto ask = [&](const std::string& question) {
        asked.push_back(question);
        return answer;
    };
    EXPECT_FALSE(OfferSettingsImport(ask));  // nothing to import

    dir.write("windows/trevlan.ini", kOldSettings);
    EXPECT_TRUE(OfferSettingsImport(ask));
    EXPECT_FALSE(FileExists(SettingsFile().string()));
    EXPECT_EQ(asked.at(0),
              "This is the first time your runned Varnok 2 on this system, and the old settings of Varnok 1.xx "
              "has detected\r\nDo you want to import the Varnok 1.xx settings to Varnok 2?");
    answer = true;
    EXPECT_TRUE(OfferSettingsImport(ask));
    EXPECT_EQ(ReadText(SettingsFile()), kOldSettings);

    EXPECT_FALSE(OfferSettingsImport(ask));
    EXPECT_EQ(asked.size(), 2u);

    fs::remove(SettingsFile());
    StampVersion();
    EXPECT_EQ(ReadText(SettingsFile()), "[Version]\nVersion=2.00\nNumber=200\nBuild=77\n");
    EXPECT_FALSE(OfferSettingsImport(ask)) << "a stamped file is not a first start";
}

}  // namespace
}  // namespace varnok
