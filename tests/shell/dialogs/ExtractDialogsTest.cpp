// The extract-all and extract-directory dialogs and the overwrite question.
#include <QApplication>
#include <QCheckBox>
#include <QTimer>

#include "engine/dialogs/frmExtractAll.h"
#include "engine/dialogs/frmExtractDirectory.h"
#include "engine/dialogs/frmOverwrite.h"
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

}  // namespace
}  // namespace varnok::test
