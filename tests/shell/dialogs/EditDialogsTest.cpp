// The add-directory, remove-directory and rename dialogs.
#include "engine/dialogs/frmAddDirectory.h"
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
