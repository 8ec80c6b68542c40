// Starting programs (natively or through Wine) and finding the game folder.
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

    fs::create_directories(folder);
    EXPECT_EQ(LaunchGame(folder), "Can't find Emperor.exe in " + folder.string() +
                                      ". Is Emperor: Battle for Dune installed in the Wine prefix?");

    // Installed from a CD, the name may well be in capitals.
    const fs::path exe = dir.write(folder / "EMPEROR.EXE", "MZ");
    EXPECT_EQ(LaunchGame(folder), "");
    ASSERT_TRUE(WaitForFile(record));
    EXPECT_EQ(Lines(ReadText(record)), (std::vector<std::string>{fs::canonical(folder).string(), exe.string()}));
}

std::string GameKey(std::string_view key, std::string_view installPath) {
    return "[" + std::string(key) + "] 1700000000\n#time=1da1c2e3f4a5b6c\n\"InstallPath\"=\"" +
           std::string(installPath) + "\"\n\n";
}

// A Wine prefix as wine makes it: drive_c, and dosdevices/c: pointing at it.
class GameFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(prefix / "drive_c");
        fs::create_directories(prefix / "dosdevices");
        fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
        fs::create_directories(program);
    }
    fs::path Game(const fs::path& relative) {
        fs::create_directories(prefix / "drive_c" / relative);
        dir.write(prefix / "drive_c" / relative / "Emperor.exe", "MZ");
        return fs::canonical(prefix / "drive_c" / relative);
    }
    void WriteSystemReg(std::string_view body) {
        dir.write(prefix / "system.reg", "WINE REGISTRY Version 2\n\n#arch=win64\n\n" + std::string(body));
    }
    GameFolder Find() { return FindGameFolder(dir / "windows" / "registry.reg", prefix, program); }

    TempDir dir;
    fs::path prefix = dir / "wine";
    fs::path program = dir / "program";
};

// The installer's value in the prefix, in any letter case: Wow6432Node's first, the other when it leads nowhere.
TEST_F(GameFolderTest, FindsTheInstallerValueInThePrefixPreferringWow6432Node) {
    const fs::path game32 = Game("Program Files (x86)/EA Games/Emperor");
    const fs::path game = Game("Westwood/Emperor");
    WriteSystemReg(GameKey("Software\\\\Westwood\\\\Emperor", "c:\\\\WESTWOOD\\\\emperor\\\\EMPEROR.EXE") +
                   GameKey("Software\\\\Wow6432Node\\\\Westwood\\\\Emperor",
                           "C:\\\\Program Files (x86)\\\\EA Games\\\\Emperor\\\\Emperor.exe"));
    EXPECT_EQ(Find().folder, game32);
    EXPECT_EQ(Find().source, GameFolderSource::WinePrefix);

    fs::remove_all(game32);
    EXPECT_EQ(Find().folder, game);
}

TEST_F(GameFolderTest, TheStoreComesFirstAndTheProgramFolderLast) {
    const fs::path game = Game("Westwood/Emperor");
    const fs::path mine = dir / "my games" / "emperor";
    fs::create_directories(mine);
    WriteSystemReg(GameKey("Software\\\\Westwood\\\\Emperor", "C:\\\\Westwood\\\\Emperor\\\\Emperor.exe"));
    auto store = [&](std::string_view installPath) {
        RegFile reg;
        reg.SetValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Westwood\\Emperor", "InstallPath", RegValue::Text(installPath));
        dir.write("windows/registry.reg", reg.Render(kRegistryHeader));
    };

    store(mine.string() + "/Emperor.exe");
    EXPECT_EQ(Find().folder, mine);
    EXPECT_EQ(Find().source, GameFolderSource::RegistryStore);

    store("C:\\westwood\\EMPEROR\\Emperor.exe");  // a Windows path goes through the prefix
    EXPECT_EQ(Find().folder, game);
    EXPECT_EQ(Find().source, GameFolderSource::RegistryStore);

    store((dir / "gone" / "Emperor.exe").string());  // a folder that is not there is passed over
    EXPECT_EQ(Find().source, GameFolderSource::WinePrefix);

    fs::remove(prefix / "system.reg");
    const GameFolder fallback = Find();
    EXPECT_EQ(fallback.folder, program);
    EXPECT_EQ(fallback.source, GameFolderSource::ProgramFolder);
}

TEST_F(GameFolderTest, OddInstallPathsGiveTheProgramFolder) {
    Game("Westwood/Emperor");
    for (const char* value :
         {"", "Emperor.exe", "\\\\\\\\server\\\\share\\\\Emperor.exe", "Q:\\\\Westwood\\\\Emperor.exe"}) {
        WriteSystemReg(GameKey("Software\\\\Westwood\\\\Emperor", value));
        EXPECT_EQ(Find().folder, program) << value;
    }
}

}  // namespace
}  // namespace varnok
