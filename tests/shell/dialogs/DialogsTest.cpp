// The dialogs: create, move/copy, rename-archive, find, extract, add/remove directory, rename, the overwrite
// question, and the edit dialogs over a real engine.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include "engine/dialogs/frmAddDirectory.h"
#include "engine/dialogs/frmCreate.h"
#include "engine/dialogs/frmExtractAll.h"
#include "engine/dialogs/frmExtractDirectory.h"
#include "engine/dialogs/frmFind.h"
#include "engine/dialogs/frmMoveCopy.h"
#include "engine/dialogs/frmOverwrite.h"
#include "engine/dialogs/frmRemoveDirectory.h"
#include "engine/dialogs/frmRename.h"
#include "engine/dialogs/frmRenameArchive.h"
#include "tests/engine/ScriptedUi.h"
#include "tests/shell/dialogs/DialogTestSupport.h"
#include "tests/support/TempDir.h"

namespace varnok::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class ArchiveFileDialogs : public DialogTest {
protected:
    ArchiveFileDialogs() { engine.InitEngine(); }

    static QStringList Children(QTreeWidgetItem* node) {
        QStringList texts;
        for (int i = 0; i < node->childCount(); ++i) texts << node->child(i)->text(0);
        return texts;
    }

    std::vector<std::string> calls;
    TempDir tmp;
    ScriptedUi ui;
    mVarnokEngine engine{ui};
    QWidget window;  // the main window the dialogs belong to
};

TEST_F(ArchiveFileDialogs, NewArchiveShowsTheDialogAnOkLeftHiddenThenRenameRenamesIt) {
    const auto browse = [](const std::string&) { return std::string(); };
    QPointer<frmCreate> d = frmCreate::Show(&window, engine, browse);
    ui.saveResults = {"/"};
    Click(d, "cmdBrowse");
    Click(d, "cmdOk");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(frmCreate::Show(&window, engine, browse), d.data());
    EXPECT_EQ(Text(d, "txtNew"), "/") << "with its contents as they were";
    ui.saveResults = {(tmp / "new").string()};
    Click(d, "cmdBrowse");
    Click(d, "cmdOk");
    EXPECT_TRUE(Gone(d));
    EXPECT_EQ(engine.ArchivePath(), (tmp / "new.rfh").string());

    QPointer<QWidget> rename = frmRenameArchive::Show(&window, engine);
    EXPECT_EQ(Text(rename, "txtFile"), "new.rfh");
    Type(rename, "Text1", "mod");
    Enter(rename, "Text1");
    EXPECT_TRUE(Gone(rename));
    EXPECT_EQ(tmp.listing(), (std::vector<std::string>{"mod.rfd", "mod.rfh", "windows"}));
}

TEST_F(ArchiveFileDialogs, MoveCopyReadsEachFolderOnceAndWaitsForOne) {
    fs::create_directories(tmp / "disk/beta");
    fs::create_directories(tmp / "disk/Alpha/inner");
    tmp.write("disk/file.rfh", "");
    const std::string disk = (tmp / "disk").string() + "/";
    auto* d = Open(new frmMoveCopy(
        nullptr, frmMoveCopy::Mode::Move, "/games/x.rfh",
        {{disk, "DISK (x)", DriveType::Fixed}, {(tmp / "gone").string() + "/", "GONE", DriveType::Removable}},
        [this](const std::string& source, const std::string& folder) { calls.push_back(source + " to " + folder); }));
    d->deviceUnavailable = [this] { calls.push_back("device not available"); };
    auto* tree = Control<QTreeWidget>(d, "tvwFolders");
    QTreeWidgetItem* drive = tree->topLevelItem(0);
    tree->setFocus();
    tree->setCurrentItem(drive, 0, QItemSelectionModel::NoUpdate);  // focused, not highlighted
    Click(d, "cmdOk");
    EXPECT_TRUE(calls.empty()) << "no folder chosen, no move to \"/\"";
    EXPECT_EQ(Children(drive), QStringList{""}) << "a placeholder until it is expanded";
    for (int round = 0; round < 2; ++round) {
        drive->setExpanded(true);
        EXPECT_EQ(Children(drive), (QStringList{"Alpha", "beta"})) << "folders only, in name order, read once";
        drive->setExpanded(false);
    }
    drive->setExpanded(true);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(drive->child(0)).center());
    EXPECT_EQ(Text(d, "Text1"), disk + "Alpha/");
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(Text(d, "Text1"), disk + "beta/") << "the highlighted folder, not the one last clicked";

    tree->topLevelItem(1)->setExpanded(true);
    EXPECT_EQ(calls, std::vector<std::string>{"device not available"});
    EXPECT_EQ(Children(tree->topLevelItem(1)), QStringList{""}) << "it can be tried again";
    Click(d, "cmdOk");
    EXPECT_EQ(calls, (std::vector<std::string>{"device not available", "/games/x.rfh to " + disk + "beta/"}));
}

TEST_F(ArchiveFileDialogs, FindFileRefillsTheOpenDialogAndKeepsItsDirection) {
    tmp.write("a.txt", "alpha payload");
    tmp.write("b.txt", "bravo payload");
    tmp.write("t.rfh", "");
    tmp.write("t.rfd", "");
    engine.OpenArchive((tmp / "t.rfh").string());
    engine.AddFileToArchive((tmp / "a.txt").string(), "");
    engine.AddFileToArchive((tmp / "b.txt").string(), "");
    ui.focused = 2;
    frmFind* d = frmFind::Show(&window, engine, ui.focused);
    EXPECT_EQ(Text(d, "txtName"), "b.txt");
    Type(d, "txtName", "A.TXT");
    Enter(d, "txtName");  // down from the last row: nothing
    Click(d, "Option2");
    Click(d, "Command1");
    EXPECT_EQ(ui.selected, std::set<int>{1});

    EXPECT_EQ(frmFind::Show(&window, engine, 0), d);
    EXPECT_EQ(Text(d, "txtName"), "") << "no current row, no name";
    EXPECT_TRUE(Control<QRadioButton>(d, "Option2")->isChecked());
}

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
    EditDialogs() { fs::create_directories(source); }
    frmAddDirectory* AddDirectory() {
        auto* d = Open(new frmAddDirectory(
            nullptr,
            [this](const std::string& source, const std::string& stored) { calls.push_back(source + " as " + stored); },
            [this](const std::string&) { return picked; }));
        d->refuse = [this](const QString& why) { calls.push_back("refused: " + why.toStdString()); };
        return d;
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

    // A New Archive dialog whose Ok records the archive asked for, or why it was refused.
    frmCreate* NewArchive() {
        auto* d = Open(new frmCreate(
            nullptr, {[this](const std::string& file, NewArchiveType type, const std::string& folder) {
                          calls.push_back(file + (type == NewArchiveType::BAG ? " bag " : " rfh ") + folder);
                          return false;  // kept, hidden, as after a declined overwrite
                      },
                      nullptr, nullptr}));
        d->refuse = [this](const QString& why) { calls.push_back("refused: " + why.toStdString()); };
        Control<QComboBox>(d, "cboType")->setCurrentIndex(static_cast<int>(NewArchiveType::BAG));
        return d;
    }

    TempDir tmp;
    const std::string source = (tmp / "src").string();
    std::string picked = source;
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
    for (const auto& [typed, stored] : adds) EXPECT_EQ(RunAdd(typed), source + "/ as " + stored) << typed;
    EXPECT_EQ(RunRemove("A"), "A\\ (open)");
    EXPECT_EQ(RunRemove("a/b\\"), "a\\b\\ (open)");
    EXPECT_EQ(RunRemove("\\"), " (open)") << "the root is named on purpose";

    calls.clear();
    QPointer<frmRemoveDirectory> d =
        Open(new frmRemoveDirectory(nullptr, [this](const std::string& stored) { calls.push_back(stored); }));
    Type(d, "Text1", "");
    EXPECT_FALSE(Enabled(d, "cmdRemDir"));
    Enter(d, "Text1");
    EXPECT_TRUE(calls.empty()) << "Enter on an empty field removes nothing";
}

// Ok runs the command the caption names; the new name starts as the current one,
// selected, so typing replaces it whole.
// The path fields take what is typed or pasted as well as what Browse or the
// tree gives; Ok checks it and, when it names no folder there is, says why and
// keeps the dialog open with the text as it was.
TEST_F(EditDialogs, PathFieldsTakeTypedAndPastedPathsCheckedOnOk) {
    const std::string missing = (tmp / "missing").string();
    const struct {
        const char* what;
        QString typed;
        std::string outcome;  // the call made, or why nothing was
        bool paste = false;
    } cases[] = {
        {"typed", QString::fromStdString("  " + source + " "), source + "/"},
        {"pasted", QString::fromStdString(source + "/"), source + "/", true},
        {"missing", QString::fromStdString(missing), "refused: The directory \"" + missing + "\" does not exist."},
        {"relative", QStringLiteral("src"), "refused: \"src\" is not a full path: type it from \"/\" on."},
    };
    const auto typeOrPaste = [](QWidget* d, const char* box, const QString& text, bool paste) {
        if (!paste) return Type(d, box, text);
        QApplication::clipboard()->setText(text);
        Control<QLineEdit>(d, box)->clear();
        QTest::keyClick(Control<QLineEdit>(d, box), Qt::Key_V, Qt::ControlModifier);
    };
    for (const auto& c : cases) {
        // Add Directory: the folder whose files are added.
        calls.clear();
        QPointer<frmAddDirectory> add = AddDirectory();
        typeOrPaste(add, "txtDir", c.typed, c.paste);
        Click(add, "cmdAdd");
        const bool runs = !c.outcome.starts_with("refused");
        EXPECT_EQ(calls, std::vector<std::string>{runs ? c.outcome + " as " : c.outcome}) << "add, " << c.what;
        EXPECT_EQ(Gone(add), runs) << "add, " << c.what;

        // Copy: the folder the archive goes to.
        calls.clear();
        QPointer<frmMoveCopy> copy =
            Open(new frmMoveCopy(nullptr, frmMoveCopy::Mode::Copy, "/games/x.rfh", {},
                                 [this](const std::string&, const std::string& folder) { calls.push_back(folder); }));
        copy->refuse = [this](const QString& why) { calls.push_back("refused: " + why.toStdString()); };
        typeOrPaste(copy, "Text1", c.typed, c.paste);
        EXPECT_TRUE(Enabled(copy, "cmdOk")) << c.what;
        Click(copy, "cmdOk");
        EXPECT_EQ(calls, std::vector<std::string>{c.outcome}) << "copy, " << c.what;
        EXPECT_EQ(Gone(copy), runs) << "copy, " << c.what;

        // New Archive: the folder to add.
        calls.clear();
        frmCreate* create = NewArchive();
        Type(create, "txtNew", QString::fromStdString(source + "/new.bag"));
        Control<QCheckBox>(create, "Check1")->setChecked(true);
        typeOrPaste(create, "txtDirectory", c.typed, c.paste);
        Click(create, "cmdOk");
        EXPECT_EQ(calls, std::vector<std::string>{runs ? source + "/new.bag bag " + c.outcome : c.outcome})
            << "create, " << c.what;
        EXPECT_EQ(create->isVisible(), !runs) << "create, " << c.what;
    }
}

// "Save new archive as" takes a typed path too; its folder must be there, and the
// rest of the name is the engine's to judge.
TEST_F(EditDialogs, ANewArchiveIsSavedInAFolderThereIs) {
    const std::string missing = (tmp / "missing").string();
    const std::pair<std::string, std::string> cases[] = {
        {" " + source + "/Sounds.bag", source + "/Sounds.bag bag "},
        {"~/x.bag", QDir::homePath().toStdString() + "/x.bag bag "},
        {missing + "/x.bag", "refused: The directory \"" + missing + "\" does not exist."},
        {"x.bag", "refused: \"x.bag\" is not a full path: type it from \"/\" on."},
    };
    for (const auto& [typed, outcome] : cases) {
        calls.clear();
        frmCreate* create = NewArchive();
        Type(create, "txtNew", QString::fromStdString(typed));
        EXPECT_TRUE(Enabled(create, "cmdOk")) << typed;
        Click(create, "cmdOk");
        EXPECT_EQ(calls, std::vector<std::string>{outcome}) << typed;
    }
}

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
