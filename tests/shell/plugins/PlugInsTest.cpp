#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "formats/cMPK.h"
#include "platform/Folders.h"
#include "shell/plugins/PlugIns.h"
#include "shell/settings/IniAccess.h"
#include "tests/support/TempDir.h"

namespace varnok::test {
namespace {
namespace fs = std::filesystem;

using Strings = std::vector<std::string>;
using Entries = std::vector<PlugInMenuEntry>;

// A program folder for the packages, and a launcher that records every start.
class PlugInTest : public ::testing::Test {
protected:
    struct Launch {
        fs::path program;
        Strings args;
        fs::path workingDir;
    };

    // A package of these files (stored name, content), in this order.
    void Package(const std::string& name, const std::vector<std::pair<std::string, std::string>>& files) {
        std::string list;
        for (const auto& [stored, text] : files)
            list += dir.write(fs::path("src") / name / stored, text).string() + "|";
        fs::create_directories(program / "plugins");
        ASSERT_EQ(cMPK().MPKCreate(program / "plugins" / name, list, true), 0);
    }
    void PlugIn(const std::string& name, const std::string& ini, const std::string& exe = "#!/bin/sh\n") {
        Package(name, {{"plugin.ini", "[PlugIn]\r\nLoad=1\r\nName=" + name + "\r\n" + ini}, {"plugin.exe", exe}});
    }
    PlugInCatalog Discover() { return host.DiscoverPlugIns(program); }
    fs::path Folder(int n) const { return host.UnpackFolder(n); }

    TempDir dir;  // first: it points the Windows folder into itself
    fs::path program = dir / "program";
    std::vector<Launch> launches;
    bool launchWorks = true;
    PlugInHost host{[this](const fs::path& p, const Strings& args, const fs::path& wd) {
        launches.push_back({p, args, wd});
        if (!launchWorks) throw std::runtime_error("cannot start");
        return true;
    }};
};

constexpr const char* kExport = "[Export]\r\nLoad=1\r\nName=Export it\r\n";

TEST_F(PlugInTest, PackagesAreNumberedByNameAndASkippedOneKeepsItsNumber) {
    fs::create_directories(program / "plugins" / "folder.pgi");
    Discover();
    EXPECT_FALSE(fs::exists(WorkRoot())) << "without packages nothing is unpacked";
    fs::remove(program / "plugins" / "folder.pgi");
    PlugIn("a.pgi", kExport);
    // Its first entry is not the description; ordered by bytes, it would come first.
    Package("B.PGI", {{"plugin.exe", ""}, {"plugin.ini", std::string("[PlugIn]\r\nLoad=1\r\n") + kExport}});
    PlugIn("c.Pgi", kExport);
    const PlugInCatalog catalog = Discover();
    EXPECT_EQ(dir.listing(host.PlugInFolder()), Strings({"1", "3"}));
    EXPECT_EQ(catalog.entries(PlugInMenu::Export), Entries({{1, "Export it"}, {3, "Export it"}}));
}

TEST_F(PlugInTest, ADisabledPlugInIsRemovedAndNeverRuns) {
    const std::string wanted = "[Startup]\r\nLoad=1\r\n[Export]\r\nLoad=1\r\nName=E\r\n";
    Package("a.pgi", {{"plugin.ini", "[PlugIn]\r\nLoad=0\r\n" + wanted}, {"plugin.exe", ""}});
    Package("b.pgi", {{"plugin.ini", "[PlugIn]\r\nLoad=True\r\n" + wanted}, {"plugin.exe", ""}});
    fs::create_directories(Folder(2) / "cache");  // not a file of the plug-in: it and its folder stay
    const PlugInCatalog catalog = Discover();
    EXPECT_TRUE(catalog.entries(PlugInMenu::Export).empty());
    EXPECT_TRUE(launches.empty());
    EXPECT_EQ(dir.listing(host.PlugInFolder()), Strings({"2"}));
    EXPECT_EQ(dir.listing(Folder(2)), Strings({"cache"}));
}

TEST_F(PlugInTest, EachStartReplacesTheThreeKnownFilesAndKeepsTheRest) {
    for (const char* name : {"plugin.ini", "plugin.exe", "plugin.dll", "settings.dat"})
        dir.write(Folder(1) / name, "old");
    PlugIn("a.pgi", "", "new program");
    Discover();
    EXPECT_EQ(dir.listing(Folder(1)), Strings({"plugin.exe", "plugin.ini", "settings.dat"}));
    EXPECT_EQ(ReadText(Folder(1) / "plugin.exe"), "new program");
}

TEST_F(PlugInTest, EveryMenuListsThePlugInUnderItsNumber) {
    dir.write("program/plugins/a.pgi", "MPK\x02 damaged");
    Package("b.pgi", {{"plugin.ini",
                       "[PlugIn]\r\nLoad=1\r\nName=Caf\xE9 Tools\r\n"  // Windows-1252
                       "[Export]\r\nLoad=1\r\nName=To TGA\r\n[Import]\r\nLoad=1\r\nName=From TGA\r\n"
                       "[Open]\r\nLoad=1\r\nName=\u00d6ffnen\r\nType=.tga\r\n"  // UTF-8
                       "[About]\r\nLoad=1\r\nName=not this\r\n[PlugInM]\r\nLoad=1\r\nName=Tools\r\n"}});
    const PlugInCatalog catalog = Discover();
    EXPECT_EQ(catalog.entries(PlugInMenu::Export), Entries({{2, "To TGA"}}));
    EXPECT_EQ(catalog.entries(PlugInMenu::Import), Entries({{2, "From TGA"}}));
    EXPECT_EQ(catalog.entries(PlugInMenu::OpenWith), Entries({{2, "\u00d6ffnen"}}));
    EXPECT_EQ(catalog.entries(PlugInMenu::About), Entries({{2, "Caf\u00e9 Tools"}}));
    EXPECT_EQ(catalog.entries(PlugInMenu::PlugIns), Entries({{2, "Tools"}}));
    EXPECT_EQ(catalog.types[2], ".tga");
}

TEST_F(PlugInTest, OnlyThePlugInsUpToFiftyKeepAnOpenWithType) {
    for (int i = 1; i <= 49; ++i) dir.write("program/plugins/p" + std::to_string(100 + i) + ".pgi", "");
    PlugIn("p150.pgi", "[Open]\r\nLoad=1\r\nName=Fifty\r\nType=.tga\r\n");
    PlugIn("p151.pgi", "[Open]\r\nLoad=1\r\nName=Fifty-one\r\nType=.wav\r\n");
    const PlugInCatalog catalog = Discover();
    EXPECT_EQ(catalog.entries(PlugInMenu::OpenWith), Entries({{50, "Fifty"}, {51, "Fifty-one"}}));
    for (int slot = 0; slot <= 50; ++slot) EXPECT_EQ(catalog.types[std::size_t(slot)], slot == 50 ? ".tga" : "");
}

TEST_F(PlugInTest, RunsGetTheirSectionsCommandSplitAtBlanks) {
    PlugIn("a.pgi",
           "[Startup]\r\nLoad=1\r\nCommand=  -s  \"two words\"\t$(id);x \r\n"
           "[Import]\r\nLoad=1\r\nCommand=-import\r\n[Open]\r\nLoad=1\r\nCommand=-view\r\n");
    Package("b.pgi", {{"plugin.ini", "[PlugIn]\r\nLoad=1\r\n[Startup]\r\nLoad=1\r\n"}});  // no program
    Discover();
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].program, Folder(1) / "plugin.exe");
    EXPECT_EQ(launches[0].args, Strings({"-s", "\"two", "words\"", "$(id);x"}));
    EXPECT_EQ(launches[0].workingDir, Folder(1));

    // A click reads its command then.
    INIAccess(Folder(1) / "plugin.ini", "WRITE", "Import", "Command", std::string("-import changed"), "");
    EXPECT_TRUE(host.RunMenuEntry(PlugInMenu::Import, 1));
    EXPECT_EQ(launches.back().args, Strings({"-import", "changed"}));
    EXPECT_FALSE(host.RunOpenWith(1, [] { return std::string(); }));  // nothing was extracted
    EXPECT_FALSE(host.RunMenuEntry(PlugInMenu::About, 3));
    EXPECT_EQ(launches.size(), 2u);
}

TEST_F(PlugInTest, AFailingPlugInDoesNotStopTheOthers) {
    launchWorks = false;
    PlugIn("a.pgi", std::string("[Startup]\r\nLoad=1\r\n") + kExport);
    PlugIn("b.pgi", kExport);
    PlugIn("c.pgi", kExport);
    dir.write(Folder(2), "a file where the folder of plug-in 2 belongs");
    EXPECT_EQ(Discover().entries(PlugInMenu::Export), Entries({{1, "Export it"}, {3, "Export it"}}));
    EXPECT_EQ(ReadText(Folder(2)), "a file where the folder of plug-in 2 belongs");
}

// Writes the arguments it gets into args.txt of its working folder, one a line.
constexpr const char* kRecorder =
    "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > args.tmp && mv args.tmp args.txt\n";

TEST_F(PlugInTest, AnUnpackedProgramRunsWithExactlyItsArguments) {
    host = PlugInHost(StartPlugInProgram);
    const auto recorded = [&] {  // it runs detached: wait for its file
        const fs::path file = Folder(1) / "args.txt";
        for (int i = 0; i < 2000 && !fs::exists(file); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::string text = fs::exists(file) ? ReadText(file) : "";
        fs::remove(file);
        return text;
    };
    PlugIn("a.pgi", "[Startup]\r\nLoad=1\r\nCommand=--start 'x y'\r\n[Open]\r\nLoad=1\r\nCommand=-view\r\n", kRecorder);
    Discover();
    EXPECT_EQ(recorded(), "[--start]\n['x]\n[y']\n");

    const std::string viewed = (dir / "view" / "a b; touch pwned $(touch pwned2) `touch pwned3`.tga").string();
    ASSERT_TRUE(host.RunOpenWith(1, [&] { return viewed; }));
    EXPECT_EQ(recorded(), "[-view]\n[" + viewed + "]\n");
    EXPECT_EQ(dir.listing(Folder(1)), Strings({"plugin.exe", "plugin.ini"}));
}

}  // namespace
}  // namespace varnok::test
