#include <gtest/gtest.h>

#include <cerrno>

#include "platform/GameFolder.h"
#include "platform/Process.h"
#include "tests/platform/ProcessTestSupport.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;
using test::Lines;
using test::ReadText;
using test::TempDir;
using test::WaitForFile;

TEST(PlatformProcessTest, WindowsExecutablesAreKnownByTheirFirstTwoBytes) {
    TempDir dir;
    EXPECT_TRUE(IsWindowsExecutable(dir.write("NOEXT", "MZ")));
    EXPECT_FALSE(IsWindowsExecutable(dir.write("short.exe", "M")));
    EXPECT_FALSE(IsWindowsExecutable(dir.write("mz.exe", "mz")));
    EXPECT_FALSE(IsWindowsExecutable(dir / "missing.exe"));
}

TEST(PlatformProcessTest, FindProgramWalksTheSearchPath) {
    TempDir dir;
    test::WriteScript(dir, "b/tool", "exit 0\n");
    dir.write("a/tool", "not executable");
    const std::string path = ":" + (dir / "a").string() + "::" + (dir / "b").string();
    EXPECT_EQ(FindProgram("tool", path), dir / "b" / "tool");
    EXPECT_EQ(FindProgram("other", path), std::nullopt);
    EXPECT_EQ(FindProgram((dir / "b" / "tool").string(), ""), dir / "b" / "tool");
    EXPECT_EQ(FindProgram((dir / "a" / "tool").string(), path), std::nullopt);
    EXPECT_EQ(FindProgram("", path), std::nullopt);
}

TEST(PlatformProcessTest, ArgumentsReachTheProgramUntouched) {
    TempDir dir;
    const fs::path record = dir / "record";
    const fs::path program = test::WriteRecorder(dir, "bin/show args", record);
    const fs::path work = dir / "work folder";
    fs::create_directories(work);
    const std::vector<std::string> arguments = {"two words", "$HOME", "; touch " + (dir / "pwned").string(), "*", "",
                                                "'\"\\",     "%1"};

    const StartResult result = StartDetached(program, arguments, work, "");
    ASSERT_TRUE(result) << result.error;
    ASSERT_TRUE(WaitForFile(record));
    std::vector<std::string> expected = {fs::canonical(work).string()};
    expected.insert(expected.end(), arguments.begin(), arguments.end());
    EXPECT_EQ(Lines(ReadText(record)), expected);
}

TEST(PlatformProcessTest, FailuresSayWhatIsMissing) {
    TempDir dir;
    const fs::path exe = dir.write("Emperor.exe", "MZ");
    const StartResult noWine = StartDetached(exe, {}, {}, (dir / "empty").string());
    EXPECT_EQ(noWine.status, StartStatus::WineMissing);
    EXPECT_NE(StartFailureText(noWine, exe).find("Install Wine"), std::string::npos);

    const StartResult missing = StartDetached(dir / "nothing", {}, {}, "");
    EXPECT_EQ(StartFailureText(missing, dir / "nothing"), "Can't find " + (dir / "nothing").string() + ".");

    const fs::path text = dir.write("notes.txt", "plain text");
    const StartResult refused = StartDetached(text, {}, {}, "");
    EXPECT_EQ(refused.status, StartStatus::Failed);
    EXPECT_EQ(refused.error, EACCES);
    EXPECT_EQ(StartFailureText(refused, text).rfind("Can't start " + text.string() + ": ", 0), 0u);
}

TEST(PlatformProcessTest, LaunchStartsEmperorExeInTheGameFolder) {
    TempDir dir;
    const fs::path record = dir / "record";
    test::WriteRecorder(dir, "bin/wine", record);
    test::ScopedEnv path("PATH", (dir / "bin").string());
    const fs::path folder = dir / "drive_c" / "Westwood" / "Emperor";

    EXPECT_EQ(LaunchGame(folder), "Can't find the game folder " + folder.string() + ".");
    fs::create_directories(folder);
    EXPECT_EQ(LaunchGame(folder), "Can't find Emperor.exe in " + folder.string() +
                                      ". Is Emperor: Battle for Dune installed in the Wine prefix?");

    // Installed from a CD, the name may well be in capitals.
    const fs::path exe = dir.write(folder / "EMPEROR.EXE", "MZ");
    EXPECT_EQ(LaunchGame(folder), "");
    ASSERT_TRUE(WaitForFile(record));
    EXPECT_EQ(Lines(ReadText(record)), (std::vector<std::string>{fs::canonical(folder).string(), exe.string()}));

    fs::remove(dir / "bin" / "wine");
    EXPECT_NE(LaunchGame(folder).find("Install Wine"), std::string::npos);
}

}  // namespace
}  // namespace varnok
