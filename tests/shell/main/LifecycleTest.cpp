// Start-up and shut-down of the main window.
#include <QStatusBar>
#include <QToolBar>
#include <filesystem>

#include "platform/Folders.h"
#include "tests/shell/main/MainWindowFixture.h"

namespace varnok::test {
namespace {
namespace fs = std::filesystem;

// Every command that needs an open archive.
constexpr const char* kArchiveCommands[] = {
    "mnuFileClose", "mnuFileMove", "mnuFileCopy", "mnuFileRename", "mnuFileDelete", "mnuActionViewFile",
    "mnuActionViewWith", "mnuActionAddFile", "mnuActionExtractFile", "mnuActionRemoveFile", "mnuActionAddDirectory",
    "mnuActionExtractDirectory", "mnuActionRemoveDirectory", "mnuActionExtractAll", "mnuActionRemoveAll",
    "mnuActionSelectAll", "mnuActionInvertSelection", "mnuActionRenameFile", "mnuActionChangePath",
    "mnuActionFindFile", "mnuFavoritesAdd", "mnuViewRefresh", "tbButton3", "tbButton5", "tbButton6", "tbButton7",
    "tbButton8", "tbButton10"};

using MainWindowStartup = MainWindowTest;

TEST_F(MainWindowStartup, AFirstStartShowsBothBarsTheBetaNoticeAndNoArchiveCommand) {
    Start();
    EXPECT_EQ(window->windowTitle(), "Varnok 2 - Beta 1/Build 77");
    EXPECT_TRUE(Find<QToolBar>("tbToolBar")->isVisible());
    EXPECT_TRUE(Action("mnuViewToolbar")->isChecked());
    EXPECT_TRUE(window->statusBar()->isVisible());
    EXPECT_TRUE(Action("mnuViewStatusBar")->isChecked());
    EXPECT_EQ(Panel(1), "This is a beta version of Varnok and its for testing purposes only!");
    EXPECT_EQ(Panel(2), "0 Files");
    EXPECT_EQ(Panel(3), "0 Bytes");
    for (const char* command : kArchiveCommands) EXPECT_FALSE(Action(command)->isEnabled()) << command;

    EXPECT_EQ(Stored("Version", "Version"), "2.00");
    EXPECT_EQ(Stored("Version", "Number"), "200");
    EXPECT_EQ(Stored("Version", "Build"), "77");
    EXPECT_TRUE(fs::is_directory(WorkRoot()));
    EXPECT_TRUE(fs::is_directory(ViewFolder()));
}

TEST_F(MainWindowStartup, BarsStayHiddenUnlessTheirSettingIsExactlyTrue) {
    Store("View", "StatusBar", "False");
    Store("View", "ToolBar", "true");
    Start();
    EXPECT_FALSE(window->statusBar()->isVisible());
    EXPECT_FALSE(Action("mnuViewStatusBar")->isChecked());
    EXPECT_FALSE(Find<QToolBar>("tbToolBar")->isVisible());
    EXPECT_FALSE(Action("mnuViewToolbar")->isChecked());

    // The View items bring them back.
    window->ToggleStatusBar();
    window->ToggleToolbar();
    EXPECT_TRUE(window->statusBar()->isVisible());
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
    EXPECT_EQ(Stored("Position", "Width"), std::to_string(window->ToTwips(window->width())));
    EXPECT_EQ(Stored("Position", "Height"), std::to_string(window->ToTwips(window->height())));
    EXPECT_EQ(Stored("Position", "Top"), std::to_string(window->ToTwips(window->y())));
    EXPECT_EQ(Stored("Position", "Left"), std::to_string(window->ToTwips(window->x())));
    EXPECT_EQ(Stored("View", "StatusBar"), "False");
    EXPECT_EQ(Stored("View", "ToolBar"), "True");
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
