// The dialogs over a real engine and a tiny archive: each runs its operation.
#include "engine/dialogs/frmAddDirectory.h"
#include "engine/dialogs/frmRemoveDirectory.h"
#include "engine/dialogs/frmRename.h"
#include "engine/mVarnokEngine.h"
#include "tests/shell/dialogs/DialogTestSupport.h"
#include "tests/support/TempDir.h"

namespace varnok::test {
namespace {

// A window that shows nothing and keeps only the current row.
struct QuietUi final : EngineUi {
    int focused = 0;
    int FocusedRow() const override { return focused; }
    // Every question is answered Yes: the dialogs' own confirmations are tested elsewhere.
    MessageAnswer ShowMessage(const std::string&, const std::string&, MessageIcon, MessageButtons buttons) override {
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }
    OverwriteAnswer AskOverwrite(const std::string&, const std::string&) override { return OverwriteAnswer::No; }
    std::string BrowseForFolder(const std::string&) override { return {}; }
    std::string OpenFileDialog(const std::string&) override { return {}; }
    std::string SaveFileDialog(const std::string& name, const std::string&) override { return name; }
    bool IsRowSelected(int) const override { return false; }
    void SetCaption(const std::string&) override {}
    void SetPathLabel(const std::string&) override {}
    void SetPanel(Panel, const std::string&) override {}
    void ShowProgress() override {}
    void HideProgress() override {}
    void UpdateProgress(std::int64_t, std::int64_t) override {}
    void DisableInterface() override {}
    void EnableInterface() override {}
    void Yield() override {}
    void ListReset() override {}
    void ListRowsAppended(int, int) override {}
    void ListRowRemoved(int) override {}
    void ListRowChanged(int) override {}
    void SetListVisible(bool) override {}
    void EnableAll() override {}
    void EnableAllBAG() override {}
    void EnableReadOnly() override {}
    void EnableAdd() override {}
    void DisableAll() override {}
    bool OpenWithAssociatedProgram(const std::string&) override { return true; }
};

class DialogsOverEngine : public DialogTest {
protected:
    std::vector<std::string> Entries() const {
        std::vector<std::string> out;
        for (const auto& row : engine.Rows()) out.push_back(row[Column::Path] + row[Column::Filename]);
        return out;
    }

    TempDir tmp;
    QuietUi ui;
    mVarnokEngine engine{ui};
};

TEST_F(DialogsOverEngine, AddRenameAndRemove) {
    tmp.write("test.rfh", "");
    tmp.write("test.rfd", "");
    tmp.write("src/a.txt", "alpha payload");
    tmp.write("src/b.txt", "bravo payload");
    engine.OpenArchive((tmp / "test.rfh").string());
    auto* add = Open(new frmAddDirectory(nullptr, engine, [&](const std::string&) { return (tmp / "src").string(); }));
    Click(add, "cmdBrowse");
    Type(add, "Text1", "data");
    Click(add, "cmdAdd");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"data\\a.txt", "data\\b.txt"}));

    // The row renamed is the one current when Ok is pressed.
    ui.focused = 1;
    auto* rename = Open(frmRename::ShowRenameFile(nullptr, engine, 1));
    EXPECT_EQ(Text(rename, "txtOrig"), "a.txt");
    ui.focused = 2;
    Type(rename, "txtName", "other\\c.txt");
    Click(rename, "cmdOk");
    auto* path = Open(frmRename::ShowChangePath(nullptr, engine, 2));
    EXPECT_EQ(Text(path, "txtOrig"), "data\\");
    Type(path, "txtName", "/music");
    Enter(path, "txtName");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"data\\a.txt", "music\\c.txt"}));

    auto* remove = Open(new frmRemoveDirectory(nullptr, engine));
    Type(remove, "Text1", "data");
    Click(remove, "cmdRemDir");
    EXPECT_EQ(Entries(), std::vector<std::string>{"music\\c.txt"});
}

}  // namespace
}  // namespace varnok::test
