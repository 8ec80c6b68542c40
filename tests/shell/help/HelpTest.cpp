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

// Each link opens its address; what the desktop cannot open is said, naming the file or the address.
TEST(HelpTest, TheInternetMenuOpensItsLinksOrSaysItCannot) {
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
    EXPECT_TRUE(menu.actions()[2]->isSeparator());

    TempDir dir;
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
    auto* ok = about->findChild<QPushButton*>(QStringLiteral("Command1"));
    ASSERT_NE(ok, nullptr);
    ok->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(about.isNull());
}

}  // namespace
}  // namespace varnok
