// The add-directory, remove-directory and rename dialogs, and the logo window.
#include <QLabel>

#include "engine/dialogs/frmAddDirectory.h"
#include "engine/dialogs/frmLogo.h"
#include "engine/dialogs/frmRemoveDirectory.h"
#include "engine/dialogs/frmRename.h"
#include "tests/shell/dialogs/DialogTestSupport.h"

namespace varnok::test {
namespace {

using namespace std::string_literals;

class EditDialogs : public DialogTest {
protected:
    frmAddDirectory* AddDirectory() {
        return Open(new frmAddDirectory(
            nullptr,
            [this](const std::string& source, const std::string& stored) {
                calls.push_back(source + " as " + stored);
            },
            [this](const std::string&) { return picked; }));
    }
    std::string RunAdd(const QString& text1) {
        auto* d = AddDirectory();
        Click(d, "cmdBrowse");
        Type(d, "Text1", text1);
        Click(d, "cmdAdd");
        return calls.empty() ? "" : calls.back();
    }
    // The removal run for Text1; checks the dialog was open during it and closed after.
    std::string RunRemove(const QString& text1) {
        QPointer<frmRemoveDirectory> d;
        d = Open(new frmRemoveDirectory(nullptr, [&](const std::string& stored) {
            calls.push_back(stored + (d && d->isVisible() ? " (open)" : ""));
        }));
        Type(d, "Text1", text1);
        Click(d, "cmdRemDir");
        EXPECT_TRUE(Gone(d));
        return calls.empty() ? "" : calls.back();
    }
    frmRename* Rename(frmRename::Mode mode) {
        return Open(new frmRename(nullptr, mode, "orig",
                                  {[this](const std::string& t) { calls.push_back("rename " + t); },
                                   [this](const std::string& t) { calls.push_back("path " + t); }}));
    }

    std::string picked = "/src";
    std::vector<std::string> calls;
};

TEST_F(EditDialogs, AddIsEnabledOnceAFolderIsPicked) {
    auto* d = AddDirectory();
    EXPECT_EQ(d->windowTitle(), "Add Directory...");
    EXPECT_TRUE(Control<QLineEdit>(d, "txtDir")->isReadOnly());
    EXPECT_FALSE(Enabled(d, "cmdAdd"));
    picked = "";
    Click(d, "cmdBrowse");
    EXPECT_FALSE(Enabled(d, "cmdAdd"));
    picked = "/src/music\0\0junk"s;
    Click(d, "cmdBrowse");
    EXPECT_TRUE(Enabled(d, "cmdAdd"));
    EXPECT_EQ(Text(d, "txtDir"), "/src/music/") << "the picked text ends at its first NUL";
    picked = "";
    Click(d, "cmdBrowse");
    EXPECT_EQ(Text(d, "txtDir"), "/src/music/") << "a cancelled picker leaves the folder as it was";
}

TEST_F(EditDialogs, AddMakesTheStoredFolderOfText1) {
    EXPECT_EQ(RunAdd("data"), "/src/ as data\\");
    EXPECT_EQ(RunAdd(""), "/src/ as ") << "empty is the root";
    EXPECT_EQ(RunAdd("\\x"), "/src/ as x\\") << "stored paths have no leading \\";
    EXPECT_EQ(RunAdd("\\"), "/src/ as ") << "\\ alone is the root";
    EXPECT_EQ(RunAdd("Sounds/Voices\\"), "/src/ as Sounds\\Voices\\") << "a typed / means \\";
}

TEST_F(EditDialogs, RemoveMakesTheStoredFolderOfText1) {
    EXPECT_EQ(RunRemove("A"), "A\\ (open)");
    EXPECT_EQ(RunRemove("a/b\\"), "a\\b\\ (open)");
    EXPECT_EQ(RunRemove("\\"), " (open)") << "the root is named on purpose";
}

TEST_F(EditDialogs, RemoveWaitsForAFolderSoEnterOnAnEmptyFieldRemovesNothing) {
    QPointer<frmRemoveDirectory> d =
        Open(new frmRemoveDirectory(nullptr, [this](const std::string& stored) { calls.push_back(stored); }));
    EXPECT_FALSE(Enabled(d, "cmdRemDir"));
    Enter(d, "Text1");
    Type(d, "Text1", "x");
    EXPECT_TRUE(Enabled(d, "cmdRemDir"));
    Type(d, "Text1", "");
    EXPECT_FALSE(Enabled(d, "cmdRemDir"));
    Enter(d, "Text1");
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(Gone(d));
}

TEST_F(EditDialogs, RenameOkRunsTheCommandTheCaptionNames) {
    using Captions = std::vector<QString>;
    auto captions = [](QWidget* d) {
        return Captions{d->windowTitle(), Control<QLabel>(d, "Label2")->text(), Control<QLabel>(d, "Label1")->text(),
                        QString::fromStdString(Text(d, "txtOrig") + "|" + Text(d, "txtName"))};
    };
    auto* rename = Rename(frmRename::Mode::RenameFile);
    auto* path = Rename(frmRename::Mode::ChangePath);
    EXPECT_EQ(captions(rename), (Captions{"Rename", "Current filename:", "Rename file to:", "orig|orig"}));
    EXPECT_EQ(captions(path), (Captions{"Change path", "Current path:", "Change path to:", "orig|orig"}));
    Type(rename, "txtName", "x\\b.wav");
    Click(rename, "cmdOk");
    Type(path, "txtName", "\\music");
    Enter(path, "txtName");
    auto* retitled = Rename(frmRename::Mode::RenameFile);
    retitled->setWindowTitle("Change path");
    Click(retitled, "cmdOk");
    QPointer<QWidget> cancelled = Rename(frmRename::Mode::ChangePath);
    Click(cancelled, "cmdCancel");
    EXPECT_EQ(calls, (std::vector<std::string>{"rename x\\b.wav", "path \\music", "path orig"}));
    EXPECT_TRUE(Gone(cancelled));
}

// The new name starts as the current one, selected, so typing replaces it whole.
TEST_F(EditDialogs, TheNewNameStartsAsTheCurrentOneSelected) {
    auto* d = Rename(frmRename::Mode::RenameFile);
    auto* name = Control<QLineEdit>(d, "txtName");
    EXPECT_EQ(name->selectedText(), QStringLiteral("orig"));
    QTest::keyClicks(name, "new.wav");
    Click(d, "cmdOk");
    EXPECT_EQ(calls, std::vector<std::string>{"rename new.wav"});
}

TEST(LogoWindow, ShowsOnTopAtThePointAndAClickClosesIt) {
    QWidget owner;
    QPointer<QWidget> logo = frmLogo::ShowBeside(&owner, QPoint(200, 140));
    EXPECT_TRUE(logo->isVisible() && logo->isWindow());
    EXPECT_EQ(logo->geometry(), QRect(200, 140, frmLogo::kWidth, 315));
    EXPECT_TRUE(logo->windowFlags().testFlags(Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint | Qt::Tool));
    QTest::mouseClick(logo, Qt::LeftButton, {}, QPoint(40, 100));
    EXPECT_TRUE(Gone(logo));
}

}  // namespace
}  // namespace varnok::test
