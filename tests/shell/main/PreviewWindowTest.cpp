// The preview pane in the main window: its menu switch, its setting, and the row it follows.
#include <QElapsedTimer>

#include "shell/preview/PreviewPane.h"
#include "tests/shell/main/MainWindowFixture.h"

namespace varnok::test {
namespace {

using MainWindowPreview = MainWindowTest;

TEST_F(MainWindowPreview, ViewPreviewIsOnAtFirstAndTheSettingsFileKeepsItsState) {
    Start();
    EXPECT_TRUE(Find<PreviewPane>("picPreview")->isVisible());
    Action("mnuViewPreview")->trigger();
    EXPECT_FALSE(Find<PreviewPane>("picPreview")->isVisible());
    window->close();
    EXPECT_EQ(Stored("View", "Preview"), "False");

    Start();
    EXPECT_FALSE(Action("mnuViewPreview")->isChecked());
    EXPECT_FALSE(Find<PreviewPane>("picPreview")->isVisible());
}

TEST_F(MainWindowPreview, ThePaneShowsTheFocusedRowAndClearsWhenTheArchiveCloses) {
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
