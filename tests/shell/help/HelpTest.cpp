// The Help menu's links and readme, and the file associations: the registry keys, the desktop entry and MIME
// package, and an installed copy.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <cstdlib>
#include <tuple>

#include "platform/Process.h"
#include "shell/DesktopAssociation.h"
#include "shell/HelpLinks.h"
#include "shell/mRegistery.h"
#include "tests/platform/ProcessTestSupport.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempDir;

std::string Read(const fs::path& file, RegRoot root, std::string_view key, std::string_view name) {
    std::string result;
    if (!ReadRegValue(file, root, key, name, result)) return "<missing>";
    return result;
}

// A user's world in a temporary folder: the store, the data folder, and
// update-mime-database and update-desktop-database that write down each call
// and leave a cache behind, as the real ones do.
class RegistryAssociationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"update-mime-database", "update-desktop-database"}) {
            const std::string log = (dir / (std::string(tool) + ".log")).string();
            const std::string cache = std::string(tool) == "update-mime-database" ? "mime.cache" : "mimeinfo.cache";
            test::WriteScript(dir, fs::path("bin") / tool,
                              ": > \"$1/" + cache + "\"\nprintf '%s\\n' \"$*\" >> '" + log + "'\n");
        }
        places = {dir / "windows" / "registry.reg",
                  dir / "data",
                  dir / "opt" / "Varnok 2" / "varnok2",
                  (dir / "bin").string(),
                  {dir / "usr" / "share"}};
    }
    // Both tools have run `calls` times.
    bool ToolsRan(int calls) {
        for (const char* tool : {"update-mime-database", "update-desktop-database"}) {
            const fs::path log = dir / (std::string(tool) + ".log");
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (!fs::exists(log) || static_cast<int>(test::Lines(ReadText(log)).size()) < calls) {
                if (std::chrono::steady_clock::now() > end) return false;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            if (static_cast<int>(test::Lines(ReadText(log)).size()) != calls) return false;
        }
        return true;
    }

    TempDir dir;
    AssociationPlaces places;
};

// The keys of both kinds are written over another program's, and other keys stay.
TEST_F(RegistryAssociationsTest, WritesTheKeysOfBothKindsAndKeepsOtherKeys) {
    RegFile reg;
    reg.SetValue("HKEY_CLASSES_ROOT\\.rfh", "", RegValue::Text("Other Program"));
    reg.SetValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Westwood\\Emperor", "InstallPath", RegValue::Text("C:\\E.exe"));
    dir.write(places.registryFile.lexically_relative(dir.path()), reg.Render(kRegistryHeader));

    RegisterAssociations(places);
    const fs::path& store = places.registryFile;
    const std::string e = places.executable.string();
    constexpr auto root = RegRoot::ClassesRoot;
    for (const auto& [x, c, d] : {std::tuple{".RFH", "RFH Archive", "Emperor: Battle For Dune RFH file"},
                                  std::tuple{".BAG", "BAG Archive", "Emperor: Battle For Dune BAG file"}}) {
        const std::string cls = c;
        EXPECT_EQ(Read(store, root, x, ""), c);
        EXPECT_EQ(Read(store, root, cls, ""), d);
        EXPECT_EQ(Read(store, root, cls + "\\DefaultIcon", ""), e + ",0");
        EXPECT_EQ(Read(store, root, cls + "\\shell\\Open with Varno&k\\command", ""), e + " %1");
        // The key name is the menu text, and no verb is made the default.
        EXPECT_EQ(Read(store, root, cls + "\\shell", ""), "<missing>");
    }
    EXPECT_EQ(Read(store, RegRoot::LocalMachine, "SOFTWARE\\Westwood\\Emperor", "InstallPath"), "C:\\E.exe");
    EXPECT_TRUE(ToolsRan(1));
    EXPECT_EQ(ReadText(dir / "update-mime-database.log"), (places.dataHome / "mime").string() + "\n");
    EXPECT_EQ(ReadText(dir / "update-desktop-database.log"), (places.dataHome / "applications").string() + "\n");
}

TEST_F(RegistryAssociationsTest, AnInstalledProgramLeavesTheDesktopToItsInstallation) {
    dir.write("usr/share/applications/varnok2.desktop", "[Desktop Entry]\n");
    dir.write("usr/share/mime/packages/varnok2.xml", MimePackageText());
    places.executable = dir / "usr" / "bin" / "varnok2";
    RegisterAssociations(places);
    EXPECT_EQ(Read(places.registryFile, RegRoot::ClassesRoot, ".RFH", ""), "RFH Archive");
    EXPECT_FALSE(fs::exists(places.dataHome));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(dir / "update-mime-database.log"));
}

TEST(RegistryRoutinesTest, SetRegValueNeedsAKeyAndAKindItKnows) {
    RegFile store;
    EXPECT_EQ(SetRegValue(store, ".RFH", "", std::string("RFH Archive"), kRegText), kRegNotFound);
    EXPECT_FALSE(store.HasKey("HKEY_CLASSES_ROOT\\.RFH"));

    EXPECT_EQ(CreateRegKey(store, ".RFH\\ShellNew", RegRoot::ClassesRoot), kRegSuccess);
    EXPECT_EQ(SetRegValue(store, ".RFH", "", std::string("RFH Archive"), kRegText), kRegSuccess);
    EXPECT_EQ(SetRegValue(store, ".RFH", "Number", std::string("&h10"), kRegNumber), kRegSuccess);
    EXPECT_EQ(SetRegValue(store, ".RFH", "Bad", std::string("12x"), kRegNumber), kRegInvalidData);

    // SetRegValue always writes under the classes root.
    CreateRegKey(store, "Software", RegRoot::LocalMachine);
    EXPECT_EQ(SetRegValue(store, "Software", "x", std::string("y"), kRegText), kRegNotFound);

    EXPECT_EQ(*store.Value("HKEY_CLASSES_ROOT\\.RFH", "Number"), RegValue::Number(16));
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

// Records what the Help commands hand to the desktop.
struct RecordingPort {
    std::vector<QUrl> opened;
    bool desktopOpens = true;  // false: no program takes any address
    struct Message {
        QString text, title;
        QMessageBox::Icon icon;
    };
    std::vector<Message> messages;

    HelpPort port() {
        return {[this](const QUrl& url) {
                    opened.push_back(url);
                    return desktopOpens;
                },
                [this](const QString& text, const QString& title, QMessageBox::Icon icon) {
                    messages.push_back({text, title, icon});
                }};
    }
};

// Each link and the readme open their address; what the desktop cannot open is said, naming it.
TEST(HelpTest, TheInternetMenuAndReadMeOpenTheirAddressesOrSayWhyNot) {
    QMenu menu;
    RecordingPort rec;
    FillInternetMenu(&menu, rec.port());
    for (QAction* action : menu.actions()) action->trigger();
    std::vector<std::string> expected;
    for (const InternetLink& link : InternetLinks()) {
        if (link.address) expected.emplace_back(link.address);
    }
    std::vector<std::string> opened;
    for (const QUrl& url : rec.opened) opened.push_back(url.toString().toStdString());
    EXPECT_EQ(opened, expected);

    // A missing readme is said; one the desktop cannot open is named.
    TempDir dir;
    rec = {};
    ReadMe(rec.port(), dir.path());
    EXPECT_EQ(rec.messages.at(0).text, QStringLiteral("Can't find readme.txt in the Varnok directory."));
    EXPECT_EQ(rec.messages[0].icon, QMessageBox::Critical);
    const fs::path readme = dir.write("readme.txt", "hello");
    rec = {};
    rec.desktopOpens = false;
    ReadMe(rec.port(), dir.path());
    menu.actions()[3]->trigger();
    ASSERT_EQ(rec.messages.size(), 2u);
    EXPECT_EQ(rec.messages[0].text,
              QStringLiteral("No program could be started to open %1.").arg(QString::fromStdString(readme.string())));
    EXPECT_EQ(rec.messages[1].text, QStringLiteral("No program could be started to open https://dune2k.com/."));
    EXPECT_EQ(rec.messages[1].icon, QMessageBox::Warning);
}

}  // namespace
}  // namespace varnok
