#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>

#include "shell/HelpLinks.h"
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

TEST(HelpTest, ContactMeWritesToTheAuthorAboutThisVersion) {
    RecordingPort rec;
    ContactMe(rec.port());
    ASSERT_EQ(rec.opened.size(), 1u);
    EXPECT_EQ(rec.opened[0].toString(QUrl::FullyEncoded).toStdString(),
              std::string("mailto:") + kAuthorMail + "?subject=%22Varnok%202%20-%20Beta%201%2FBuild%2077%22%20user");
    EXPECT_TRUE(rec.messages.empty());
}

TEST(HelpTest, TheBuiltProgramHasItsReadMeBesideIt) {
    EXPECT_TRUE(fs::is_regular_file(fs::path(VARNOK2_PROGRAM_DIR) / "readme.txt"));
}

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
    ReadMe(rec.port(), dir.path());
    EXPECT_EQ(rec.opened, std::vector<QUrl>{QUrl::fromLocalFile(QString::fromStdString(readme.string()))});
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
