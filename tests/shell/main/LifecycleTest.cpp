// Start-up and shut-down of the main window.
#include <QStatusBar>
#include <QToolBar>
#include <filesystem>

#include "platform/Folders.h"
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

using MainWindowShutdown = MainWindowTest;

TEST_F(MainWindowShutdown, ClosingSavesTheWindowStateAndEmptiesTheViewFolder) {
    Start();
    window->resize(window->ToPixels(8400), window->ToPixels(6000));
    window->ToggleStatusBar();
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
}

}  // namespace
}  // namespace varnok::test
