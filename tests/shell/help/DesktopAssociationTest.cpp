#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

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

    EXPECT_NE(DesktopEntryText("/opt/Varnok 2/varnok2").find("\nExec=\"/opt/Varnok 2/varnok2\" %f\n"),
              std::string::npos);
}

// The package as shared-mime-info itself reads it, in a data folder of the test's
// own: the globs must come out without the case-sensitive flag, and a BAG file
// must be known by its first four bytes.
TEST(RegistryDesktopEntryTest, SharedMimeInfoAcceptsThePackage) {
    const auto tool = FindProgram("update-mime-database");
    if (!tool) GTEST_SKIP() << "update-mime-database is not installed";
    TempDir dir;
    dir.write("data/mime/packages/varnok2.xml", MimePackageText());
    ASSERT_EQ(std::system(("'" + tool->string() + "' '" + (dir / "data" / "mime").string() + "'").c_str()), 0);

    const std::string globs = ReadText(dir / "data" / "mime" / "globs2");
    EXPECT_NE(globs.find("50:application/x-emperor-rfh:*.rfh\n"), std::string::npos) << globs;
    EXPECT_NE(globs.find("50:application/x-emperor-bag:*.bag\n"), std::string::npos) << globs;
    EXPECT_EQ(globs.find(":cs"), std::string::npos);
    const std::string magic = ReadText(dir / "data" / "mime" / "magic");
    EXPECT_NE(magic.find("[60:application/x-emperor-bag]\n>0=\0\4GABA"), std::string::npos);
}

// An installation ships the desktop files as files of their own; they must tell
// the desktop what the program's own copies tell it.
TEST(RegistryDesktopEntryTest, TheInstalledFilesAgreeWithTheProgramsOwn) {
    const fs::path dist = fs::path(VARNOK_SOURCE_DIR) / "dist";
    EXPECT_EQ(ReadText(dist / "varnok2-mime.xml"), MimePackageText());
    const auto mimeTypeLine = [](const std::string& entry) {
        const auto begin = entry.find("\nMimeType=");
        return begin == std::string::npos ? std::string() : entry.substr(begin, entry.find('\n', begin + 1) - begin);
    };
    const std::string installed = ReadText(dist / "varnok2.desktop");
    EXPECT_EQ(mimeTypeLine(installed), mimeTypeLine(DesktopEntryText("/usr/bin/varnok2")));
    EXPECT_NE(installed.find("\nExec=varnok2 %f\n"), std::string::npos);
}

TEST(RegistryDesktopEntryTest, DataDirsAreTheAbsoluteFoldersOfXdgDataDirs) {
    const std::vector<fs::path> standard = {"/usr/local/share", "/usr/share"};
    for (const auto& [value, expected] : {
             std::tuple<std::optional<std::string>, std::vector<fs::path>>{std::nullopt, standard},
             {"", standard},
             {"relative/share", standard},
             {"/opt/a/share:relative::/usr/share:", {"/opt/a/share", "/usr/share"}},
         }) {
        test::ScopedEnv env("XDG_DATA_DIRS", value);
        EXPECT_EQ(DataDirs(), expected) << value.value_or("<unset>");
    }
}

// An installation in a prefix of the test's own: the desktop files in
// <prefix>/share, the program in <prefix>/bin or <prefix>/libexec/varnok2.
TEST(RegistryDesktopEntryTest, KnowsAProgramInstalledWithItsDesktopFiles) {
    TempDir dir;
    const fs::path share = dir / "usr" / "share";
    dir.write("usr/share/applications/varnok2.desktop", "[Desktop Entry]\n");
    dir.write("usr/share/mime/packages/varnok2.xml", MimePackageText());
    dir.write("half/share/applications/varnok2.desktop", "[Desktop Entry]\n");

    const std::vector<fs::path> dirs = {dir / "empty" / "share", share};
    for (const auto& [executable, folders, installed] : {
             std::tuple<fs::path, std::vector<fs::path>, bool>{dir / "usr" / "bin" / "varnok2", dirs, true},
             {dir / "usr" / "libexec" / "varnok2" / "varnok2", dirs, true},
             {dir / "usr" / "bin" / ".." / "bin" / "varnok2", dirs, true},
             {dir / "usr" / "bin" / "varnok2", {share.string() + "/"}, true},
             {dir / "usr2" / "bin" / "varnok2", dirs, false},  // a name that only starts alike
             {dir / "build" / "shell" / "varnok2", dirs, false},
             {dir / "half" / "bin" / "varnok2", {dir / "half" / "share"}, false},  // no MIME package
             {dir / "usr" / "bin" / "varnok2", {}, false},
         }) {
        EXPECT_EQ(InstalledWithDesktopFiles(executable, folders), installed) << executable;
    }
}

}  // namespace
}  // namespace varnok
