#pragma once

#include <QMessageBox>
#include <QString>
#include <QUrl>
#include <array>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/Folders.h"

class QMenu;
class QWidget;

namespace varnok {

// The Help menu's commands that hand something to the desktop (Contact Me,
// Read Me), the credits box, and the Internet menu.

// Who answers the mail of Contact Me, and the author line of the About box.
inline constexpr const char* kAuthorName = "the Varnok 2 developers";
inline constexpr const char* kAuthorMail = "varnok2@example.org";

inline constexpr const char* kReadMeMissing = "Can't find readme.txt in the Varnok directory.";

// One entry of the Internet menu; a separator has no address.
struct InternetLink {
    const char* objectName;
    const char* caption;
    const char* address;
};

// The Internet menu in order: the program's home page, the game's page, a
// separator, and five sites of the game's community.
const std::array<InternetLink, 8>& InternetLinks();

// mailto:<author>?subject="Varnok 2 - Beta 1/Build 77" user
QUrl ContactMailUrl();

// Headings with the names under them indented by three spaces, groups apart by
// an empty line, lines ending in CR LF.
std::string CreditsText();

// <program folder>/readme.txt
std::filesystem::path ReadMeFile(const std::filesystem::path& programFolder = ProgramFolder());

// What the commands need of the desktop: opening an address or a file in the
// program the desktop chooses, and a modal message box. For() gives the real ones,
// owned by `owner`.
struct HelpPort {
    std::function<bool(const QUrl&)> openUrl;
    std::function<void(const QString& text, const QString& title, QMessageBox::Icon icon)> message;

    static HelpPort For(QWidget* owner);
};

// Each command that hands an address or a file to the desktop says so in a
// message when no program could be started for it.

// Help > Contact Me: the mail program with a new message to the author.
void ContactMe(const HelpPort& port);

// Help > Read Me: opens readme.txt of the program folder; when there is none, says
// so in a critical box titled "Varnok 2".
void ReadMe(const HelpPort& port, const std::filesystem::path& programFolder = ProgramFolder());

// Help > Credits: the credits text in an information box titled "Varnok 2".
void Credits(const HelpPort& port);

// Adds the Internet entries to `menu`, each named by its objectName, opening its
// address when clicked.
void FillInternetMenu(QMenu* menu, const HelpPort& port);

}  // namespace varnok
