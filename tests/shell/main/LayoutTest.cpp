// The splitter, the list columns and files dropped on the list.
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QSplitter>
#include <QTest>
#include <QUrl>

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

TEST_F(MainWindowLayout, MovingTheSplitterSavesItsPlaceAndTheNextStartTakesItUp) {
    const auto drag = [&](int by) {
        QWidget* handle = Splitter()->handle(1);
        const QPoint grip(handle->width() / 2, handle->height() / 2);
        QTest::mousePress(handle, Qt::LeftButton, {}, grip);
        QTest::mouseMove(handle, grip + QPoint(by, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(by, 0));
    };
    window->SizeControls(3000);
    drag(40);
    const int pane = PaneWidth();
    EXPECT_EQ(pane, window->ToPixels(3000) + 40);
    EXPECT_EQ(Stored("Folders", "Width"), std::to_string(Twips(pane)));
    EXPECT_EQ(Stored("Size", "Splitter"), std::to_string(Twips(pane) - 10));

    Start();
    EXPECT_EQ(PaneWidth(), pane);
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
    EXPECT_EQ(Stored("Column3", "Position"), "0");
    EXPECT_EQ(Stored("Column7", "Width"), "");

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

}  // namespace
}  // namespace varnok::test
