// Start-up and shut-down of the main window, and the preview pane it shows.
#include <QElapsedTimer>
#include <QStatusBar>
#include <QToolBar>
#include <filesystem>

#include "platform/Folders.h"
#include "shell/preview/PreviewPane.h"
#include "tests/shell/main/MainWindowFixture.h"

namespace varnok::test {
namespace {
namespace fs = std::filesystem;

using MainWindowStartup = MainWindowTest;

// Both bars show at a first start, and stay hidden unless their setting is exactly True.
TEST_F(MainWindowStartup, BarsShowAtFirstAndThenOnlyWhenTheirSettingIsExactlyTrue) {
    Start();
    EXPECT_TRUE(Find<QToolBar>("tbToolBar")->isVisible());
    EXPECT_TRUE(window->statusBar()->isVisible());
    EXPECT_TRUE(fs::is_directory(ViewFolder()));

    window.reset();
    Store("View", "StatusBar", "False");
    Store("View", "ToolBar", "true");
    Start();
    EXPECT_FALSE(window->statusBar()->isVisible());
    EXPECT_FALSE(Action("mnuViewStatusBar")->isChecked());
    EXPECT_FALSE(Find<QToolBar>("tbToolBar")->isVisible());
    window->ToggleToolbar();  // the View item brings it back
    EXPECT_TRUE(Find<QToolBar>("tbToolBar")->isVisible());
}

TEST_F(MainWindowStartup, TheCommandLineIsOneArchivePath) {
    fs::copy_file(tmp / "demo.rfh", tmp / "my demo.rfh");
    fs::copy_file(tmp / "demo.rfd", tmp / "my demo.rfd");
    Start(QString::fromStdString(Path("my demo.rfh")));
    EXPECT_EQ(window->windowTitle(), "Varnok 2 - Beta 1/Build 77 - [my demo.rfh]");
    EXPECT_EQ(Panel(2), "320 Files");
}

TEST_F(MainWindowStartup, ClosingSavesTheWindowStateAndPreviewAndEmptiesTheViewFolder) {
    Start();
    window->resize(window->ToPixels(8400), window->ToPixels(6000));
    window->ToggleStatusBar();
    EXPECT_TRUE(Find<PreviewPane>("picPreview")->isVisible()) << "the preview is on at first";
    Action("mnuViewPreview")->trigger();
    tmp.write(ViewFolder() / "viewed.txt", "shown in a viewer");
    tmp.write(ViewFolder() / "kept" / "inner.txt", "in a folder of its own");

    window->close();
    EXPECT_EQ(Stored("Position", "Left"), std::to_string(window->ToTwips(window->x())));
    EXPECT_EQ(tmp.listing(ViewFolder()), std::vector<std::string>{"kept"});
    EXPECT_TRUE(fs::exists(ViewFolder() / "kept" / "inner.txt"));

    // The next start takes them up again.
    const QSize closedAt = window->size();
    Start();
    EXPECT_EQ(window->size(), closedAt);
    EXPECT_FALSE(window->statusBar()->isVisible());
    EXPECT_FALSE(Action("mnuViewPreview")->isChecked());
    EXPECT_FALSE(Find<PreviewPane>("picPreview")->isVisible());
}

TEST_F(MainWindowStartup, ThePaneShowsTheFocusedRowAndClearsWhenTheArchiveCloses) {
    Start();
    Open("demo.bag");
    auto* pane = Find<PreviewPane>("picPreview");
    const auto settle = [pane] {
        QElapsedTimer clock;
        clock.start();
        while (pane->IsLoading() && clock.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    };
    for (int row : {5, 2}) {
        List()->setCurrentIndex(List()->model()->index(row - 1, 0));
        settle();
        const QString name = List()->model()->index(row - 1, 0).data().toString();
        EXPECT_TRUE(pane->Details().startsWith(name)) << pane->Details().toStdString();
        EXPECT_EQ(pane->Kind(), PreviewKind::Sound) << row;
    }

    // Hidden, the pane reads nothing; shown again, it catches up with the list.
    Action("mnuViewPreview")->trigger();
    EXPECT_EQ(pane->Kind(), PreviewKind::None);
    List()->setCurrentIndex(List()->model()->index(4, 0));
    EXPECT_FALSE(pane->IsLoading());
    Action("mnuViewPreview")->trigger();
    settle();
    EXPECT_TRUE(pane->Details().startsWith(List()->model()->index(4, 0).data().toString()));

    Action("mnuFileClose")->trigger();
    settle();
    EXPECT_EQ(pane->Kind(), PreviewKind::None);
}

}  // namespace
}  // namespace varnok::test
