// The splitter, the list columns, files dropped on the list, and the folder pane: which files it lists, its lazy
// expansion and what a double-click opens.
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QSplitter>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "shell/FolderPane.h"
#include "tests/platform/ProcessTestSupport.h"
#include "tests/shell/main/MainWindowFixture.h"

namespace varnok::test {
namespace {

class MainWindowLayout : public MainWindowTest {
protected:
    void SetUp() override { Start(); }
    QSplitter* Splitter() const { return Find<QSplitter>("imgSplitter"); }
    int PaneWidth() const { return Find<QWidget>("fmeFolders")->width(); }
    int Twips(int pixels) const { return window->ToTwips(pixels); }
};

TEST_F(MainWindowLayout, TheSplitterKeeps1000TwipsOnEitherSide) {
    const int least = window->ToPixels(1000);
    window->SizeControls(0);
    EXPECT_EQ(PaneWidth(), least);
    window->SizeControls(1'000'000);
    EXPECT_GE(Splitter()->widget(1)->width(), least);

    window->SizeControls(3000);
    EXPECT_EQ(PaneWidth(), window->ToPixels(3000));
    // Only a move by the user is saved.
    EXPECT_EQ(Stored("Folders", "Width"), "");
}

TEST_F(MainWindowLayout, AColumnClickSavesTheFirstSixColumnsAndAStartRestoresThem) {
    QHeaderView* header = List()->header();
    header->resizeSection(0, 200);
    header->moveSection(header->visualIndex(2), 0);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));

    for (int n = 1; n <= 6; ++n) {
        const std::string section = "Column" + std::to_string(n);
        EXPECT_EQ(Stored(section, "Left"), std::to_string(Twips(header->sectionPosition(n - 1)))) << n;
        EXPECT_EQ(Stored(section, "Width"), std::to_string(Twips(header->sectionSize(n - 1)))) << n;
        EXPECT_EQ(Stored(section, "Position"), std::to_string(header->visualIndex(n - 1))) << n;
    }

    Start();
    header = List()->header();
    EXPECT_EQ(header->sectionSize(0), window->ToPixels(Twips(200)));
    EXPECT_EQ(header->visualIndex(2), 0);
}

TEST_F(MainWindowLayout, FilesDroppedOnTheListAreAddedToTheOpenArchive) {
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(tmp.write("drop/first.txt", "dropped first").string())),
                   QUrl::fromLocalFile(QString::fromStdString(tmp.write("drop/second.txt", "dropped too").string()))});
    Open("demo.rfh");
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(List()->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(List()->viewport(), &drop);
    ASSERT_EQ(Rows(), 322);
    EXPECT_EQ(List()->model()->index(321, 0).data().toString(), "second.txt");
}

namespace fs = std::filesystem;

// The pane starts at the home folder, so the tests point HOME at a folder of
// their own for the time of the test.
class MainWindowFolderPane : public MainWindowTest {
protected:
    void SetUp() override {
        fs::create_directories(tmp / "home" / "data" / "sub");
        fs::copy_file(tmp / "demo.rfh", tmp / "home" / "data" / "ARCHIVE.RFH");
        fs::copy_file(tmp / "demo.rfd", tmp / "home" / "data" / "ARCHIVE.RFD");
        tmp.write("home/data/readme.txt", "not an archive");
        Start();
        pane = Find<FolderPane>("tvFiles");
    }
    std::vector<std::string> Children(QTreeWidgetItem* node) const {
        std::vector<std::string> out;
        for (int i = 0; i < node->childCount(); ++i) out.push_back(node->child(i)->text(0).toStdString());
        return out;
    }

    // A double-click as the platform delivers it: a click, then the double-click.
    void DoubleClick(QTreeWidgetItem* node) {
        pane->scrollToItem(node);
        const QPoint at = pane->visualItemRect(node).center();
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(pane->viewport(), Qt::LeftButton, {}, at);
    }

    ScopedEnv home_{"HOME", (tmp / "home").string()};
    FolderPane* pane = nullptr;
};

// A folder is read once and lists its subfolders, then its archives; a double-click
// opens an archive but never a folder.
TEST_F(MainWindowFolderPane, AFolderListsItsSubfoldersThenItsArchivesAndADoubleClickOpensOne) {
    QTreeWidgetItem* home = pane->currentItem();
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(FolderPane::KeyOf(home).toStdString(), (tmp / "home").string() + "/");
    pane->expandItem(home);
    ASSERT_EQ(Children(home), std::vector<std::string>{"data"});
    QTreeWidgetItem* data = home->child(0);
    for (int round = 0; round < 2; ++round) {
        pane->collapseItem(data);
        pane->expandItem(data);
        EXPECT_EQ(Children(data), (std::vector<std::string>{"sub", "ARCHIVE.RFH"})) << round;
    }
    EXPECT_EQ(data->child(0)->childCount(), 0) << "an empty folder has nothing to expand";

    DoubleClick(data->child(0));
    EXPECT_EQ(window->Engine().ArchivePath(), "");
    DoubleClick(data->child(1));
    EXPECT_EQ(window->Engine().ArchivePath(), (tmp / "home" / "data" / "ARCHIVE.RFH").string());
    EXPECT_EQ(Panel(2), "320 Files");
}

}  // namespace
}  // namespace varnok::test
