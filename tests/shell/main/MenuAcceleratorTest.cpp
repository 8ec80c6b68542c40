// The menus' accelerators: one per caption, none twice within a menu.
#include <QMenu>
#include <QMenuBar>

#include "tests/shell/main/MainWindowFixture.h"

namespace varnok::test {
namespace {

using MainWindowMenus = MainWindowTest;

// The accelerators of a caption: each "&" before a character, "&&" being a
// plain "&".
QString Accelerators(const QString& caption) {
    QString keys;
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&')) continue;
        if (caption[i + 1] != QLatin1Char('&')) keys += caption[i + 1].toUpper();
        ++i;
    }
    return keys;
}

// Walks `actions` as one menu, then every submenu among them.
void ExpectUniqueAccelerators(const QList<QAction*>& actions, const QString& menuName) {
    std::map<QChar, QString> taken;
    for (QAction* action : actions) {
        if (action->isSeparator()) continue;
        const QString keys = Accelerators(action->text());
        EXPECT_LE(keys.size(), 1) << menuName.toStdString() << ": " << action->text().toStdString();
        for (const QChar key : keys) {
            const auto [at, fresh] = taken.emplace(key, action->text());
            EXPECT_TRUE(fresh) << menuName.toStdString() << ": \"" << action->text().toStdString() << "\" and \""
                               << at->second.toStdString() << "\" share &" << QString(key).toStdString();
        }
        if (QMenu* sub = action->menu()) ExpectUniqueAccelerators(sub->actions(), action->text());
    }
}

TEST_F(MainWindowMenus, AcceleratorsAreUniqueWithinEveryMenu) {
    Start();
    Open("demo.rfh");  // the menus as they are with an archive, its recent entry and its found list
    const QList<QAction*> bar = window->menuBar()->actions();
    ASSERT_GE(bar.size(), 8);
    ExpectUniqueAccelerators(bar, QStringLiteral("menu bar"));
}

}  // namespace
}  // namespace varnok::test
