// The window's menus: recent archives, Favorites, the plug-in menus filled from a
// package at start-up, and the accelerators (one per caption, none twice within a menu).
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "formats/cMPK.h"
#include "shell/frmFavorites.h"
#include "tests/shell/dialogs/DialogTestSupport.h"
#include "tests/shell/main/MainWindowFixture.h"

namespace varnok::test {
namespace {

using Texts = std::vector<std::string>;

using MainWindowMenus = MainWindowTest;
namespace fs = std::filesystem;

// The menu shows the recent archives newest first, and an entry opens the archive it names.
TEST_F(MainWindowMenus, TheMenuShowsTheArchivesOpenedAndAnEntryReopensOne) {
    Start();
    for (const char* name : {"A.rfh", "B.rfh", "C.rfh"}) {
        tmp.write(name, "");
        Open(name);
    }
    EXPECT_EQ(Action("Recent1")->text().toStdString(), Path("C.rfh"));
    Action("Recent3")->trigger();
    EXPECT_EQ(window->Engine().ArchivePath(), Path("A.rfh"));
}

class MainWindowFavorites : public MainWindowTest {
protected:
    // The one dialog of type T the window shows now.
    template <class T>
    T* Showing() const {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (T* dialog : window->findChildren<T*>()) {
            if (dialog->isVisible()) return dialog;
        }
        throw std::runtime_error("the dialog is not shown");
    }

    void AddFavorite(const std::string& archive, const QString& name) {
        Open(archive);
        Action("mnuFavoritesAdd")->trigger();
        auto* dialog = Showing<frmAddFavorites>();
        Type(dialog, "Text1", name);
        Click(dialog, "Command1");
    }

    Texts MenuEntries() const {
        Texts out;
        for (const QAction* entry : Action("mnuFavorites")->menu<QMenu*>()->actions()) {
            if (entry->objectName().startsWith(QLatin1String("mnuFavoritesSub")) && entry->isVisible()) {
                out.push_back(entry->objectName().toStdString() + "=" + entry->text().toStdString());
            }
        }
        return out;
    }
};

TEST_F(MainWindowFavorites, OrganizingRenumbersTheRestAndAnEntryOpensItsArchive) {
    tmp.write("empty.rfh", "");
    Start();
    AddFavorite("demo.rfh", QStringLiteral("Demo"));
    AddFavorite("demo.bag", QStringLiteral("Sounds"));
    AddFavorite("empty.rfh", QStringLiteral("Empty"));
    EXPECT_EQ(MenuEntries(), (Texts{"mnuFavoritesSub1=Demo", "mnuFavoritesSub2=Sounds", "mnuFavoritesSub3=Empty"}));

    Action("mnuFavoritesModify")->trigger();
    auto* organize = Showing<frmModFavorites>();
    auto* list = Control<QTreeWidget>(organize, "lvFavorites");
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(1)->text(1).toStdString(), Path("demo.bag"));
    list->topLevelItem(1)->setSelected(true);
    Click(organize, "Command3");
    Click(organize, "Command1");

    EXPECT_EQ(MenuEntries(), (Texts{"mnuFavoritesSub1=Demo", "mnuFavoritesSub2=Empty"}));
    Action("mnuFavoritesSub1")->trigger();
    EXPECT_EQ(window->Engine().ArchivePath(), Path("demo.rfh"));
}

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
