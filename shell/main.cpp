// varnok2: the desktop program. Its arguments, joined by spaces, are the path of
// an archive to open.
#include <QApplication>
#include <QStringList>

#include "shell/frmMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnok 2"));
    QApplication::setOrganizationName(QStringLiteral("Varnok"));
    QApplication::setDesktopFileName(QStringLiteral("varnok2"));

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    varnok::frmMain window;
    window.show();
    window.Load(arguments.join(QLatin1Char(' ')));
    return QApplication::exec();
}
