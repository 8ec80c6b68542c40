// The folder pane: which files it lists, its lazy expansion and what a
// double-click opens.
#include <QTest>
#include <filesystem>

#include "shell/FolderPane.h"
#include "tests/platform/ProcessTestSupport.h"
#include "tests/shell/main/MainWindowFixture.h"

namespace varnok::test {
namespace {
namespace fs = std::filesystem;

TEST(MainWindowFolderPaneNames, ArchivesAreRfhAndBagFilesInAnyLetterCase) {
    for (const char* name : {"SOUNDS.BAG", "Maps.Rfh", "x.bag"}) EXPECT_TRUE(FolderPane::IsArchiveName(name)) << name;
    for (const char* name : {"demo.rfd", "rfh", "notes.rfh.txt"}) EXPECT_FALSE(FolderPane::IsArchiveName(name)) << name;
}

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
