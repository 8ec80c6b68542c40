#include <gtest/gtest.h>

#include "platform/GameFolder.h"
#include "tests/platform/ProcessTestSupport.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

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
    fs::remove_all(prefix / "dosdevices");  // without it, C: is the drive_c folder
    EXPECT_EQ(Find().folder, game);
}

TEST_F(GameFolderTest, UnescapesWineStringsAndMapsOtherDrives) {
    // "\xe9" is how wine writes an é; D: is a folder outside the prefix.
    const fs::path disc = dir / "media" / "EMPEROR_DISC";
    fs::create_directories(disc / "Spiele" / "Emp\u00e9ror");
    fs::create_directory_symlink(disc, prefix / "dosdevices" / "d:");
    WriteSystemReg(
        GameKey("Software\\\\Wow6432Node\\\\Westwood\\\\Emperor", "D:\\\\spiele\\\\Emp\\xe9ror\\\\Emperor.exe"));
    EXPECT_EQ(Find().folder, fs::canonical(disc / "Spiele" / "Emp\u00e9ror"));

    // The game right on a drive's root.
    WriteSystemReg(GameKey("Software\\\\Westwood\\\\Emperor", "D:\\\\Emperor.exe"));
    EXPECT_EQ(Find().folder, fs::canonical(disc));
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
         {"", "x", "Emperor.exe", "\\\\\\\\server\\\\share\\\\Emperor.exe", "C:Westwood\\\\Emperor\\\\Emperor.exe",
          "Q:\\\\Westwood\\\\Emperor.exe", "C:\\\\Westwood\\\\Nothing\\\\Emperor.exe", "1:\\\\Emperor.exe"}) {
        WriteSystemReg(GameKey("Software\\\\Westwood\\\\Emperor", value));
        EXPECT_EQ(Find().folder, program) << value;
    }
    // A number where a text should be.
    WriteSystemReg("[Software\\\\Westwood\\\\Emperor]\n\"InstallPath\"=dword:00000001\n");
    EXPECT_EQ(Find().folder, program);
}

TEST_F(GameFolderTest, GetGameFolderLooksInWineprefixOrHome) {
    const fs::path game = Game("Westwood/Emperor");
    WriteSystemReg(GameKey("Software\\\\Westwood\\\\Emperor", "C:\\\\Westwood\\\\Emperor\\\\Emperor.exe"));
    {
        test::ScopedEnv wine("WINEPREFIX", prefix.string());
        EXPECT_EQ(WinePrefix(), prefix);
        EXPECT_EQ(GetGameFolder(), game);
    }
    test::ScopedEnv home("HOME", dir.path().string());
    test::ScopedEnv noWine("WINEPREFIX", std::nullopt);
    EXPECT_EQ(WinePrefix(), dir / ".wine");
}

}  // namespace
}  // namespace varnok
