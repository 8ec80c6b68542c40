// The window's menus: the plug-in menus filled from a package at start-up, and the accelerators (one per caption,
// none twice within a menu).
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "formats/cMPK.h"
#include "tests/shell/main/MainWindowFixture.h"

namespace varnok::test {
namespace {

using MainWindowMenus = MainWindowTest;
namespace fs = std::filesystem;

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

// What the sample plug-in's program was started with, once `lines` runs are in, sorted: programs
// started one after another without waiting may reach their log in either order.
std::vector<std::string> RunSet(const fs::path& log, std::size_t lines) {
    std::vector<std::string> runs;
    for (int i = 0; i < 2000 && runs.size() < lines; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        runs.clear();
        std::istringstream in(fs::exists(log) ? ReadText(log) : "");
        for (std::string line; std::getline(in, line);) runs.push_back(line);
    }
    std::sort(runs.begin(), runs.end());
    return runs;
}

TEST_F(MainWindowMenus, APackageShowsInItsMenusAndItsEntriesRunIt) {
    const auto ini = tmp.write("src/plugin.ini",
                               "[PlugIn]\r\nLoad=1\r\nName=Sample Tools\r\n"
                               "[Import]\r\nLoad=1\r\nName=Import sample\r\nCommand=--import\r\n"
                               "[Open]\r\nLoad=1\r\nName=Sample viewer\r\nType=.txt\r\nCommand=--view\r\n"
                               "[About]\r\nLoad=1\r\nCommand=--about\r\n");
    const auto exe =
        tmp.write("src/plugin.exe", "#!/bin/sh\nline=$(printf '%s|' \"$@\")\nprintf '%s\\n' \"$line\" >> runs.log\n");
    fs::create_directories(tmp / "program/plugins");
    ASSERT_EQ(cMPK().MPKCreate(tmp / "program/plugins/sample.pgi", ini.string() + "|" + exe.string(), false), 0);

    window = std::make_unique<frmMain>();
    window->SetProgramFolder(tmp / "program");
    window->show();
    window->Load({});

    EXPECT_EQ(Action("mnuHelpAboutPluginsSub1")->text(), "Sample Tools");
    EXPECT_EQ(window->Engine().PlugInTypes()[1], ".txt");

    const fs::path log = PlugInWorkFolder() / "1" / "runs.log";
    Action("mnuFileImportSub1")->trigger();
    Action("mnuHelpAboutPluginsSub1")->trigger();
    EXPECT_EQ(RunSet(log, 2), (std::vector<std::string>{"--about|", "--import|"}));

    Open("demo.rfh");
    int row = 0;
    for (int k = 1; k <= Rows() && !row; ++k) {
        if (List()->model()->index(k - 1, 0).data().toString().endsWith(".txt")) row = k;
    }
    ASSERT_GT(row, 0);
    List()->selectionModel()->setCurrentIndex(List()->model()->index(row - 1, 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    window->Engine().UpdateSelection();
    ASSERT_TRUE(Action("mnuActionViewWithSub1")->isEnabled());
    Action("mnuActionViewWithSub1")->trigger();
    const std::string name = List()->model()->index(row - 1, 0).data().toString().toStdString();
    EXPECT_EQ(RunSet(log, 3),
              (std::vector<std::string>{"--about|", "--import|", "--view|" + (ViewFolder() / name).string() + "|"}));
}

}  // namespace
}  // namespace varnok::test
