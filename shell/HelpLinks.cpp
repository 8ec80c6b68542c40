#include "shell/HelpLinks.h"

#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QPointer>
#include <system_error>

#include "engine/ProgramInfo.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

QString ProgramTitle() { return QString::fromUtf8(kFileDescription); }

// Hands `url` to the desktop and says so when no program takes it.
void OpenOrSay(const HelpPort& port, const QUrl& url) {
    if (port.openUrl(url)) return;
    const QString shown = url.isLocalFile() ? url.toLocalFile() : url.toDisplayString();
    port.message(QStringLiteral("No program could be started to open %1.").arg(shown), ProgramTitle(),
                 QMessageBox::Warning);
}

}  // namespace

const std::array<InternetLink, 8>& InternetLinks() {
    // The game's own site went with Westwood; its encyclopaedia article keeps the
    // facts, and the community sites below are where its players and modders are.
    static const std::array<InternetLink, 8> links = {{
        {"mnuInternetVarnok", "Varnok 2 Homepage", "https://example.org/varnok2/"},
        {"mnuInternetEBFD", "Emperor: Battle For Dune Homepage",
         "https://en.wikipedia.org/wiki/Emperor:_Battle_for_Dune"},
        {"mnuInternetBar0", "-", nullptr},
        {"mnuInternetSite1", "Dune2k", "https://dune2k.com/"},
        {"mnuInternetSite2", "Dune2k Forums", "https://forum.dune2k.com/"},
        {"mnuInternetSite3", "ModDB: Emperor: Battle for Dune", "https://www.moddb.com/games/emperor-battle-for-dune"},
        {"mnuInternetSite4", "Dune Wiki: Emperor: Battle for Dune",
         "https://dune.fandom.com/wiki/Emperor:_Battle_for_Dune"},
        {"mnuInternetSite5", "PCGamingWiki: Emperor: Battle for Dune",
         "https://www.pcgamingwiki.com/wiki/Emperor:_Battle_for_Dune"},
    }};
    return links;
}

QUrl ContactMailUrl() {
    const QString subject =
        QLatin1Char('"') + ProgramTitle() + QString::fromUtf8(kVersionComments) + QStringLiteral("\" user");
    // Fully encoded, so that the quotes and the spaces reach the mail program as
    // they are and a "&" or "+" could never start a second field.
    const QString link = QStringLiteral("mailto:") + QString::fromUtf8(kAuthorMail) + QStringLiteral("?subject=") +
                         QString::fromLatin1(QUrl::toPercentEncoding(subject));
    return QUrl(link, QUrl::StrictMode);
}

std::string CreditsText() {
    struct Group {
        const char* heading;
        std::initializer_list<const char*> names;
    };
    const Group groups[] = {
        {"Varnok Programmer:", {"the Varnok 2 developers"}},
        {"RFH/RFD Format by:", {"the Emperor modding community"}},
        {"BAG Format by:", {"the Emperor modding community"}},
        {"W Format by:", {"the Emperor modding community"}},
        {"Beta Testers:",
         {"the Dune2k forum", "the users of Varnok 1.xx", "the Emperor modders", "and the other people i forgot"}},
    };
    std::string text;
    for (const Group& group : groups) {
        text += group.heading;
        text += "\r\n";
        for (const char* name : group.names) {
            text += "   ";
            text += name;
            text += "\r\n";
        }
        text += "\r\n";
    }
    text += "Thanks to all the people who sended in suggestions\r\n";
    text += "and bug reports, and of course you for using this program.";
    return text;
}

fs::path ReadMeFile(const fs::path& programFolder) { return programFolder / "readme.txt"; }

HelpPort HelpPort::For(QWidget* owner) {
    QPointer<QWidget> window(owner);
    return {
        [](const QUrl& url) { return QDesktopServices::openUrl(url); },
        [window](const QString& text, const QString& title, QMessageBox::Icon icon) {
            QMessageBox box(icon, title, text, QMessageBox::Ok, window.data());
            box.exec();
        },
    };
}

void ContactMe(const HelpPort& port) { OpenOrSay(port, ContactMailUrl()); }

void ReadMe(const HelpPort& port, const fs::path& programFolder) {
    const fs::path file = ReadMeFile(programFolder);
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        port.message(QString::fromUtf8(kReadMeMissing), ProgramTitle(), QMessageBox::Critical);
        return;
    }
    OpenOrSay(port, QUrl::fromLocalFile(QString::fromStdString(file.string())));
}

void Credits(const HelpPort& port) {
    port.message(QString::fromStdString(CreditsText()), ProgramTitle(), QMessageBox::Information);
}

void FillInternetMenu(QMenu* menu, const HelpPort& port) {
    for (const InternetLink& link : InternetLinks()) {
        QAction* action = link.address ? menu->addAction(QString::fromUtf8(link.caption)) : menu->addSeparator();
        action->setObjectName(QString::fromLatin1(link.objectName));
        if (!link.address) continue;
        const QUrl url(QString::fromUtf8(link.address));
        QObject::connect(action, &QAction::triggered, menu, [port, url] { OpenOrSay(port, url); });
    }
}

}  // namespace varnok
