// The File menu's recent archives and the Favorites menu, and the settings they
// keep.
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTreeWidget>

#include "shell/frmFavorites.h"
#include "tests/shell/dialogs/DialogTestSupport.h"
#include "tests/shell/main/MainWindowFixture.h"

namespace varnok::test {
namespace {

using Texts = std::vector<std::string>;

using MainWindowRecentFiles = MainWindowTest;

// The menu shows the recent archives newest first, and an entry opens the archive it names.
TEST_F(MainWindowRecentFiles, TheMenuShowsTheArchivesOpenedAndAnEntryReopensOne) {
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

}  // namespace
}  // namespace varnok::test
