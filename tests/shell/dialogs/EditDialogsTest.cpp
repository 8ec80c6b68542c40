// The extract-all, extract-directory, add-directory, remove-directory and rename dialogs and the overwrite question.
#include <QApplication>
#include <QCheckBox>
#include <QTimer>

#include "engine/dialogs/frmAddDirectory.h"
#include "engine/dialogs/frmExtractAll.h"
#include "engine/dialogs/frmExtractDirectory.h"
#include "engine/dialogs/frmOverwrite.h"
#include "engine/dialogs/frmRemoveDirectory.h"
#include "engine/dialogs/frmRename.h"
#include "tests/shell/dialogs/DialogTestSupport.h"

namespace varnok::test {
namespace {

using namespace std::string_literals;

class ExtractDialogs : public DialogTest {
protected:
    frmExtractAll* ExtractAll() {
        return Open(new frmExtractAll(
            nullptr,
            [this](const std::string& folder, bool overwrite, bool keep, bool ask) {
                calls.push_back(folder + (overwrite ? " overwrite" : "") + (keep ? " keep" : "") + (ask ? " ask" : ""));
            },
            Picker()));
    }
    frmExtractDirectory* ExtractDirectory(const std::string& storedFolder = {}) {
        return Open(new frmExtractDirectory(
            nullptr,
            [this](const std::string& stored, const std::string& folder, bool overwrite) {
                calls.push_back(stored + " -> " + folder + (overwrite ? " overwrite" : ""));
            },
            Picker(), storedFolder));
    }
    BrowseForFolderFn Picker() {
        return [this](const std::string& prompt) {
            prompts.push_back(prompt);
            return picked;
        };
    }
    // The call extract-directory makes for the typed texts.
    std::string RunExtractDirectory(const QString& text1, const QString& txtDir, bool overwrite = false) {
        auto* d = ExtractDirectory();
        Type(d, "Text1", text1);
        Type(d, "txtDir", txtDir);
        Control<QCheckBox>(d, "chkOverwrite")->setChecked(overwrite);
        Click(d, "cmdExtract");
        return calls.empty() ? "" : calls.back();
    }

    std::string picked;
    std::vector<std::string> prompts, calls;
};

TEST_F(ExtractDialogs, ExtractAllNeedsTwoCharacters) {
    auto* d = ExtractAll();
    EXPECT_FALSE(Enabled(d, "cmdExtractAll"));
    Type(d, "txtDir", "/");
    EXPECT_FALSE(Enabled(d, "cmdExtractAll"));
    Enter(d, "txtDir");
    EXPECT_TRUE(calls.empty()) << "Enter runs the command only while it is enabled";
    Type(d, "txtDir", "/o");
    EXPECT_TRUE(Enabled(d, "cmdExtractAll"));
}

TEST_F(ExtractDialogs, ExtractAllPassesFolderAndOptionsAfterClosing) {
    QPointer<frmExtractAll> keep = ExtractAll();
    Type(keep, "txtDir", "/out");
    Control<QCheckBox>(keep, "Check1")->setChecked(true);
    Click(keep, "cmdExtractAll");
    EXPECT_TRUE(Gone(keep));

    auto* overwrite = ExtractAll();
    Type(overwrite, "txtDir", "/out/");
    Control<QCheckBox>(overwrite, "Check2")->setChecked(true);
    Enter(overwrite, "txtDir");
    Click(ExtractAll(), "cmdCancel");
    EXPECT_EQ(calls, (std::vector<std::string>{"/out/ keep ask", "/out/ overwrite ask"}));
}

TEST_F(ExtractDialogs, BrowseFillsTxtDirUnlessCancelled) {
    auto* all = ExtractAll();
    auto* dir = ExtractDirectory();
    for (QWidget* d : {static_cast<QWidget*>(all), static_cast<QWidget*>(dir)}) {
        picked = "/cut\0rest"s;
        Click(d, "cmdBrowse");
        picked = "";
        Click(d, "cmdBrowse");
        EXPECT_EQ(Text(d, "txtDir"), "/cut/");
    }
    EXPECT_TRUE(calls.empty());
}

TEST_F(ExtractDialogs, ExtractDirectoryNeedsADestinationAndMakesTheStoredFolderOfText1) {
    auto* d = ExtractDirectory("DATA\\MODEL\\");
    EXPECT_FALSE(Enabled(d, "cmdExtract"));
    Type(d, "txtDir", "o");
    EXPECT_TRUE(Enabled(d, "cmdExtract"));
    EXPECT_EQ(RunExtractDirectory("data", "/out"), "DATA\\ -> /out/");
    EXPECT_EQ(RunExtractDirectory("data/Model\\", "/out/", true), "DATA\\MODEL\\ -> /out/ overwrite");
    EXPECT_EQ(RunExtractDirectory("", "/out"), " -> /out/") << "empty is the root";
}

// Asks the overwrite question and answers it as the user would.
OverwriteAnswer AskAndAnswer(std::function<void(frmOverwrite*)> answer) {
    QTimer::singleShot(0, [answer] {
        if (auto* d = qobject_cast<frmOverwrite*>(QApplication::activeModalWidget())) answer(d);
    });
    return frmOverwrite::Ask(nullptr, "a.txt already exists", "Varnok 2 - Beta 1/Build 77");
}

TEST(OverwriteQuestion, ButtonsGiveTheirAnswersAndClosingGivesNone) {
    auto by = [](const char* button) { return [button](frmOverwrite* d) { Click(d, button); }; };
    EXPECT_EQ(AskAndAnswer(by("cmdYes")), OverwriteAnswer::Yes);
    EXPECT_EQ(AskAndAnswer(by("cmdNo")), OverwriteAnswer::No);
    EXPECT_EQ(AskAndAnswer(by("cmdYestoAll")), OverwriteAnswer::YesToAll);
    EXPECT_EQ(AskAndAnswer(by("cmdNotoAll")), OverwriteAnswer::NoToAll);
    EXPECT_EQ(AskAndAnswer([](frmOverwrite* d) { QTest::keyClick(d, Qt::Key_Escape); }), OverwriteAnswer::None);
    const auto enter = [](frmOverwrite* d) {
        QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, Qt::Key_Return);
    };
    EXPECT_EQ(AskAndAnswer(enter), OverwriteAnswer::No) << "Enter keeps the existing file";
}

class EditDialogs : public DialogTest {
protected:
    frmAddDirectory* AddDirectory() {
        return Open(new frmAddDirectory(
            nullptr,
            [this](const std::string& source, const std::string& stored) { calls.push_back(source + " as " + stored); },
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
    EXPECT_FALSE(Enabled(d, "cmdAdd"));
    picked = "";
    Click(d, "cmdBrowse");
    EXPECT_FALSE(Enabled(d, "cmdAdd"));
    picked = "/src/music\0\0junk"s;
    Click(d, "cmdBrowse");
    EXPECT_TRUE(Enabled(d, "cmdAdd"));
    picked = "";
    Click(d, "cmdBrowse");
    EXPECT_EQ(Text(d, "txtDir"), "/src/music/") << "cut at its first NUL, kept when the picker is cancelled";
}

TEST_F(EditDialogs, AddAndRemoveMakeTheStoredFolderOfText1) {
    // Stored paths have no leading \, a typed / means \, and empty or \ alone is the root.
    const std::pair<const char*, const char*> adds[] = {
        {"data", "data\\"}, {"", ""}, {"\\x", "x\\"}, {"\\", ""}, {"Sounds/Voices\\", "Sounds\\Voices\\"}};
    for (const auto& [typed, stored] : adds) EXPECT_EQ(RunAdd(typed), "/src/ as "s + stored) << typed;
    EXPECT_EQ(RunRemove("A"), "A\\ (open)");
    EXPECT_EQ(RunRemove("a/b\\"), "a\\b\\ (open)");
    EXPECT_EQ(RunRemove("\\"), " (open)") << "the root is named on purpose";
}

TEST_F(EditDialogs, RemoveWaitsForAFolderSoEnterOnAnEmptyFieldRemovesNothing) {
    QPointer<frmRemoveDirectory> d =
        Open(new frmRemoveDirectory(nullptr, [this](const std::string& stored) { calls.push_back(stored); }));
    Type(d, "Text1", "x");
    EXPECT_TRUE(Enabled(d, "cmdRemDir"));
    Type(d, "Text1", "");
    EXPECT_FALSE(Enabled(d, "cmdRemDir"));
    Enter(d, "Text1");
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(Gone(d));
}

// Ok runs the command the caption names; the new name starts as the current one,
// selected, so typing replaces it whole.
TEST_F(EditDialogs, RenameOkRunsTheCommandTheCaptionNames) {
    auto* rename = Rename(frmRename::Mode::RenameFile);
    auto* path = Rename(frmRename::Mode::ChangePath);
    QTest::keyClicks(Control<QLineEdit>(rename, "txtName"), "x\\b.wav");
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

}  // namespace
}  // namespace varnok::test
