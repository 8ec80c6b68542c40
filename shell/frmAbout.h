#pragma once

#include <QDialog>
#include <QString>
#include <string>

namespace varnok {

// What the About box tells of the system it runs on.
struct PlatformInfo {
    std::string versionName;    // "Debian GNU/Linux 12 (bookworm)"
    std::string versionNumber;  // the kernel's release
    std::string productId;      // the distribution's identifier, version and processor

    // From the running system; what it does not say stays empty.
    static PlatformInfo FromSystem();
    // "Windows NT", "" and "" stand in for what is not known.
    PlatformInfo WithDefaults() const;
};

// Help > About: the program's title, its engine versions and the platform. It does
// not block the window that owns it and is deleted when it closes.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(QWidget* owner, const QString& appTitle, const PlatformInfo& platform);

    // Creates the dialog for `owner` and shows it; `appTitle` is the engine's
    // AppTitle.
    static frmAbout* ShowAbout(QWidget* owner, const std::string& appTitle);
};

}  // namespace varnok
