#pragma once

#include <cstdio>
#include <set>
#include <string>

#include "engine/EngineUi.h"

namespace varnok::bench {

// A window that shows nothing: the engine runs as it does behind the real one,
// minus the painting. Every message it would show is counted, because a run that
// shows one did not do what it was timed for.
class QuietUi final : public EngineUi {
public:
    std::set<int> selected;
    int messages = 0;
    int rows = 0;

    void SetCaption(const std::string&) override {}
    void SetPathLabel(const std::string&) override {}
    void SetPanel(Panel, const std::string&) override {}
    void ShowProgress() override {}
    void HideProgress() override {}
    void UpdateProgress(std::int64_t, std::int64_t) override {}
    void DisableInterface() override {}
    void EnableInterface() override {}
    void Yield() override {}
    MessageAnswer ShowMessage(const std::string& text, const std::string&, MessageIcon, MessageButtons) override {
        ++messages;
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return MessageAnswer::Yes;
    }
    ConvertAnswer convert = ConvertAnswer::NoToAll;  // how a sound entry's WAVE question is answered
    ConvertAnswer AskConvert(const std::string&, const std::string&) override { return convert; }
    OverwriteAnswer AskOverwrite(const std::string&, const std::string&) override {
        ++messages;
        return OverwriteAnswer::Yes;
    }
    std::string BrowseForFolder(const std::string&) override { return {}; }
    std::string OpenFileDialog(const std::string&) override { return {}; }
    std::string SaveFileDialog(const std::string& fileName, const std::string&) override { return fileName; }
    void ListReset() override { rows = 0; }
    void ListRowsAppended(int, int count) override { rows += count; }
    void ListRowRemoved(int) override { --rows; }
    void ListRowChanged(int) override {}
    void SetListVisible(bool) override {}
    bool IsRowSelected(int row) const override { return selected.count(row) != 0; }
    int FocusedRow() const override { return selected.empty() ? 0 : *selected.begin(); }
    void EnableAll() override {}
    void EnableAllBAG() override {}
    void EnableReadOnly() override {}
    void EnableAdd() override {}
    void DisableAll() override {}
    bool OpenWithAssociatedProgram(const std::string&) override { return true; }
};

}  // namespace varnok::bench
