#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include "shell/HelpLinks.h"
#include "shell/frmAbout.h"
#include "tests/support/TempDir.h"

namespace varnok {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

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

QString LabelText(QWidget* w, const char* name) {
    auto* label = w->findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

TEST(HelpTest, ContactMeWritesToTheAuthorAboutThisVersion) {
    RecordingPort rec;
    ContactMe(rec.port());
    ASSERT_EQ(rec.opened.size(), 1u);
    EXPECT_EQ(rec.opened[0].toString(QUrl::FullyEncoded).toStdString(),
              std::string("mailto:") + kAuthorMail + "?subject=%22Varnok%202%20-%20Beta%201%2FBuild%2077%22%20user");
    EXPECT_TRUE(rec.messages.empty());
}

TEST(HelpTest, ReadMeOpensTheFileOrSaysItIsMissing) {
    TempDir dir;
    RecordingPort rec;
    ReadMe(rec.port(), dir.path());
    EXPECT_TRUE(rec.opened.empty());
    ASSERT_EQ(rec.messages.size(), 1u);
    EXPECT_EQ(rec.messages[0].text, QStringLiteral("Can't find readme.txt in the Varnok directory."));
    EXPECT_EQ(rec.messages[0].title, QStringLiteral("Varnok 2"));
    EXPECT_EQ(rec.messages[0].icon, QMessageBox::Critical);

    const fs::path readme = dir.write("readme.txt", "hello");
    rec = {};
    ReadMe(rec.port(), dir.path());
    EXPECT_TRUE(rec.messages.empty());
    ASSERT_EQ(rec.opened.size(), 1u);
    EXPECT_EQ(rec.opened[0], QUrl::fromLocalFile(QString::fromStdString(readme.string())));
}

TEST(HelpTest, TheBuiltProgramHasItsReadMeBesideIt) {
    EXPECT_TRUE(fs::is_regular_file(fs::path(VARNOK2_PROGRAM_DIR) / "readme.txt"));
}

TEST(HelpTest, CreditsAreGroupsOfIndentedNames) {
    const std::string text = CreditsText();
    EXPECT_EQ(text,
              "Varnok Programmer:\r\n   the Varnok 2 developers\r\n\r\n"
              "RFH/RFD Format by:\r\n   the Emperor modding community\r\n\r\n"
              "BAG Format by:\r\n   the Emperor modding community\r\n\r\n"
              "W Format by:\r\n   the Emperor modding community\r\n\r\n"
              "Beta Testers:\r\n   the Dune2k forum\r\n   the users of Varnok 1.xx\r\n   the Emperor modders\r\n"
              "   and the other people i forgot\r\n\r\n"
              "Thanks to all the people who sended in suggestions\r\n"
              "and bug reports, and of course you for using this program.");

    RecordingPort rec;
    Credits(rec.port());
    ASSERT_EQ(rec.messages.size(), 1u);
    EXPECT_EQ(rec.messages[0].text.toStdString(), text);
    EXPECT_EQ(rec.messages[0].title, QStringLiteral("Varnok 2"));
    EXPECT_EQ(rec.messages[0].icon, QMessageBox::Information);
}
// What the desktop cannot open is said, naming the file or the address.
TEST(HelpTest, AnOpenNoProgramTakesIsSaid) {
    TempDir dir;
    const fs::path readme = dir.write("readme.txt", "hello");
    QMenu menu;
    RecordingPort rec;
    rec.desktopOpens = false;
    FillInternetMenu(&menu, rec.port());
    ReadMe(rec.port(), dir.path());
    menu.actions()[3]->trigger();
    ASSERT_EQ(rec.messages.size(), 2u);
    EXPECT_EQ(rec.messages[0].text, QStringLiteral("No program could be started to open %1.")
                                        .arg(QString::fromStdString(readme.string())));
    EXPECT_EQ(rec.messages[1].text, QStringLiteral("No program could be started to open https://dune2k.com/."));
    EXPECT_EQ(rec.messages[1].title, QStringLiteral("Varnok 2"));
    EXPECT_EQ(rec.messages[1].icon, QMessageBox::Warning);
}

TEST(HelpTest, TheInternetMenuHasSevenLinksAndASeparator) {
    QMenu menu;
    RecordingPort rec;
    FillInternetMenu(&menu, rec.port());
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), 8);
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Emperor: Battle For Dune Homepage"));
    QStringList names;
    for (QAction* action : actions) {
        names << action->objectName();
        action->trigger();
    }
    EXPECT_TRUE(actions[2]->isSeparator());
    ASSERT_EQ(rec.opened.size(), 7u);
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(rec.opened[i].toString().toStdString(), InternetLinks()[i < 2 ? i : i + 1].address) << i;
    }
    names.removeDuplicates();
    EXPECT_EQ(names.size(), 8);
}

TEST(HelpAboutTest, ShowsTitleEnginesAndPlatform) {
    frmAbout about(nullptr, QStringLiteral("Varnok 2 - Beta 1/Build 77"),
                   PlatformInfo{"Debian GNU/Linux 12 (bookworm)", "6.1.0-18-amd64", "debian 12 (x86_64)"});
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Varnok 2..."));
    const std::pair<const char*, const char*> labels[] = {
        {"lblTitle", "Varnok 2 - Beta 1/Build 77"},
        {"Label1", "For viewing and editing Westwood's Emperor: Battle for Dune"},
        {"Label10", "Engine Versions:"},
        {"Label9", "BAG Engine: 2.00.19"},
        {"Label8", "RFH Engine: 2.00.11"},
        {"Label7", "RFD Engine: 2.00.14"},
        {"Label3", "Platform information:"},
        {"Label4", "Debian GNU/Linux 12 (bookworm)"},
        {"Label5", "6.1.0-18-amd64"},
        {"Label6", "debian 12 (x86_64)"},
    };
    for (const auto& [name, text] : labels) EXPECT_EQ(LabelText(&about, name), QString::fromUtf8(text)) << name;
    EXPECT_TRUE(LabelText(&about, "lblAuthor").contains(QString::fromUtf8(kAuthorName)));
    EXPECT_NE(about.findChild<QWidget*>(QStringLiteral("Frame1"))->findChild<QLabel*>(QStringLiteral("Label9")), nullptr);
}

TEST(HelpAboutTest, UnknownPlatformShowsTheDefaults) {
    frmAbout about(nullptr, QStringLiteral("t"), PlatformInfo{});
    EXPECT_EQ(LabelText(&about, "Label4") + LabelText(&about, "Label5") + LabelText(&about, "Label6"),
              QStringLiteral("Windows NT"));
}

TEST(HelpAboutTest, ShownWithoutBlockingAndGoneAfterOk) {
    QWidget owner;
    owner.show();
    QPointer<frmAbout> about = frmAbout::ShowAbout(&owner, "Varnok 2 - Beta 1/Build 77");
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(about->parentWidget(), &owner);
    EXPECT_EQ(LabelText(about, "lblTitle"), QStringLiteral("Varnok 2 - Beta 1/Build 77"));
    auto* ok = about->findChild<QPushButton*>(QStringLiteral("Command1"));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("&Ok"));
    ok->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(about.isNull());
}

}  // namespace
}  // namespace varnok
