// The window's side of long operations (the Cancel button and Escape), and where
// the file pickers start.
#include <QFileDialog>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "tests/shell/main/MainWindowFixture.h"

namespace varnok::test {
namespace {

namespace fs = std::filesystem;

class MainWindowLongOperations : public MainWindowTest {
protected:
    void SetUp() override { Start(); }
    QPushButton* CancelButton() const { return Find<QPushButton>("cmdCancel"); }

    // Extracts all of demo.rfh into `out` while `press` runs once the loop has
    // started; returns whether the Cancel button was showing then.
    bool ExtractAllPressing(const fs::path& out, const std::function<void()>& press) {
        Open("demo.rfh");
        bool shown = false;
        QTimer::singleShot(0, window.get(), [&] {
            shown = CancelButton()->isVisible();
            press();
        });
        window->Engine().ExtractAllFiles(out.string(), false, false, false);
        return shown;
    }

    // The count in "Cancelled: N of 320 files extracted.", or -1.
    int CancelledAt() const {
        const QString text = QString::fromStdString(Panel(1));
        const QString head = QStringLiteral("Cancelled: "), tail = QStringLiteral(" of 320 files extracted.");
        if (!text.startsWith(head) || !text.endsWith(tail)) return -1;
        return text.mid(head.size(), text.size() - head.size() - tail.size()).toInt();
    }
};

// The button and Escape each stop an extraction after the entry in hand, and
// only while one runs.
TEST_F(MainWindowLongOperations, CancelAndEscapeStopAnExtractionAfterTheEntryInHand) {
    QApplication::setActiveWindow(window.get());
    EXPECT_FALSE(CancelButton()->isVisible());
    EXPECT_FALSE(Action("actCancel")->isEnabled());
    const fs::path out = tmp / "out";
    EXPECT_TRUE(ExtractAllPressing(out, [this] { QTest::mouseClick(CancelButton(), Qt::LeftButton); }));
    const int done = CancelledAt();
    ASSERT_GT(done, 0) << Panel(1);
    EXPECT_EQ(static_cast<int>(std::distance(fs::directory_iterator(out), fs::directory_iterator())), done)
        << "every entry taken on is written whole, and nothing else";
    EXPECT_FALSE(CancelButton()->isVisible());
    EXPECT_TRUE(Action("mnuFileOpen")->isEnabled() && List()->isEnabled());

    EXPECT_TRUE(ExtractAllPressing(tmp / "escaped", [this] { QTest::keyClick(window.get(), Qt::Key_Escape); }));
    EXPECT_GT(CancelledAt(), 0) << Panel(1);
    EXPECT_FALSE(Action("actCancel")->isEnabled());
}

TEST_F(MainWindowLongOperations, ThePickersStartInTheArchivesFolderThenInTheLastOneUsed) {
    const fs::path other = tmp / "mods";
    tmp.write("mods/x.rfh", "");
    Open("demo.rfh");
    QStringList starts;
    const auto pickIn = [&](const QString& folder) {
        QTimer::singleShot(0, window.get(), [&starts, folder] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            starts << dialog->directory().absolutePath();
            if (folder.isEmpty()) {
                dialog->reject();
            } else {
                dialog->selectFile(QDir(folder).filePath(QStringLiteral("x.rfh")));
                static_cast<QDialog*>(dialog)->accept();  // checks the file as a click on Open does
            }
        });
    };
    pickIn(QString::fromStdString(other.string()));
    window->OpenFileDialog("Archives|*.rfh");
    pickIn({});
    window->OpenFileDialog("Archives|*.rfh");
    messages.clear();
    EXPECT_EQ(starts, (QStringList{QDir(QString::fromStdString(tmp.path().string())).absolutePath(),
                                   QString::fromStdString(other.string())}));
}

}  // namespace
}  // namespace varnok::test
