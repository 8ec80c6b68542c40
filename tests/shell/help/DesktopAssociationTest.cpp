#include <gtest/gtest.h>

#include "platform/Process.h"
#include "shell/DesktopAssociation.h"
#include "tests/platform/ProcessTestSupport.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempDir;

TEST(RegistryDesktopEntryTest, ExecQuotesThePathAsTheDesktopEntryRulesSay) {
    EXPECT_EQ(DesktopExecArgument("/usr/bin/varnok2"), "\"/usr/bin/varnok2\"");
    // Quote level: \" \$ \` \\ and %%; string level then doubles every backslash.
    EXPECT_EQ(DesktopExecArgument("/opt/My Games/a\"b$c`d\\e%f"), "\"/opt/My Games/a\\\\\"b\\\\$c\\\\`d\\\\\\\\e%%f\"");
    EXPECT_EQ(DesktopExecArgument("/odd\nname"), "\"/odd\\nname\"");

    const std::string entry = DesktopEntryText("/opt/Varnok 2/varnok2");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
    EXPECT_NE(entry.find("\nExec=\"/opt/Varnok 2/varnok2\" %f\n"), std::string::npos);
    EXPECT_NE(entry.find("\nMimeType=application/x-emperor-rfh;application/x-emperor-bag;\n"), std::string::npos);
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
}

// The package as shared-mime-info itself reads it, in a data folder of the test's
// own: the globs must come out without the case-sensitive flag, and a BAG file
// must be known by its first four bytes.
TEST(RegistryDesktopEntryTest, SharedMimeInfoAcceptsThePackage) {
    const auto tool = FindProgram("update-mime-database");
    if (!tool) GTEST_SKIP() << "update-mime-database is not installed";
    TempDir dir;
    dir.write("data/mime/packages/varnok2.xml", MimePackageText());
    ASSERT_EQ(test::RunAndWait({tool->string(), (dir / "data" / "mime").string()}), 0);

    const std::string globs = ReadText(dir / "data" / "mime" / "globs2");
    EXPECT_NE(globs.find("50:application/x-emperor-rfh:*.rfh\n"), std::string::npos) << globs;
    EXPECT_NE(globs.find("50:application/x-emperor-bag:*.bag\n"), std::string::npos) << globs;
    EXPECT_EQ(globs.find(":cs"), std::string::npos);
    const std::string magic = ReadText(dir / "data" / "mime" / "magic");
    EXPECT_NE(magic.find("[60:application/x-emperor-bag]\n>0=\0\4GABA"), std::string::npos);
    EXPECT_NE(ReadText(dir / "data" / "mime" / "types").find("application/x-emperor-rfh\n"), std::string::npos);
}

}  // namespace
}  // namespace varnok
