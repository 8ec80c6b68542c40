#pragma once

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/EngineUi.h"

namespace varnok::test {

struct ShownMessage {
    std::string text, title;
    MessageIcon icon;
    MessageButtons buttons;
};

// The engine's window as a script: it records what the engine shows, answers
// questions from queues the test fills (a question nobody expected fails the
// test), and keeps selection and focus as a list view does when rows go away.
class ScriptedUi final : public EngineUi {
public:
    std::string caption;
    std::array<std::string, 4> panel;  // the last text of panels 1-3
    std::vector<std::string> panel1History, overwriteQuestions, saveDialogs;
    std::vector<std::string> commands;  // EnableAll, EnableAdd, ...
    std::vector<ShownMessage> messages;
    int rowCount = 0;
    bool interfaceEnabled = true;
    // The user presses Cancel once the engine has asked this many times (one ask
    // per entry handled); unset, nobody cancels. cancelChecks counts the asks.
    std::optional<int> cancelAfter;
    int cancelChecks = 0;
    // Runs at every Yield: where another program can act in the middle of a command.
    std::function<void()> onYield;

    // The answers; None among the overwrite answers closes the question.
    std::deque<MessageAnswer> messageAnswers;
    std::deque<OverwriteAnswer> overwriteAnswers;
    std::deque<ConvertAnswer> convertAnswers;
    std::vector<ShownMessage> convertQuestions;
    std::deque<std::string> folders, saveResults;
    std::deque<std::vector<std::string>> openResults;  // what each multiple-file open dialog gives

    std::set<int> selected;
    int focused = 0;

    std::string LastCommand() const { return commands.empty() ? "" : commands.back(); }

    void SetCaption(const std::string& text) override { caption = text; }
    void SetPathLabel(const std::string&) override {}
    void SetPanel(Panel p, const std::string& text) override {
        panel[static_cast<std::size_t>(p)] = text;
        if (p == Panel::Message) panel1History.push_back(text);
    }
    void ShowProgress() override {}
    void HideProgress() override {}
    void UpdateProgress(std::int64_t current, std::int64_t total) override {
        EXPECT_TRUE(current >= 0 && current <= total) << "progress " << current << " of " << total;
    }
    void DisableInterface() override { interfaceEnabled = false; }
    void EnableInterface() override { interfaceEnabled = true; }
    void Yield() override {
        if (onYield) onYield();
    }
    bool CancelRequested() override { return cancelAfter && ++cancelChecks >= *cancelAfter; }

    MessageAnswer ShowMessage(const std::string& text, const std::string& title, MessageIcon icon,
                              MessageButtons buttons) override {
        messages.push_back({text, title, icon, buttons});
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : Next(messageAnswers, MessageAnswer::Closed, text);
    }
    OverwriteAnswer AskOverwrite(const std::string& question, const std::string& /*title*/) override {
        overwriteQuestions.push_back(question);
        return Next(overwriteAnswers, OverwriteAnswer::None, question);
    }
    ConvertAnswer AskConvert(const std::string& question, const std::string& title) override {
        convertQuestions.push_back({question, title, MessageIcon::Question, MessageButtons::YesNo});
        return Next(convertAnswers, ConvertAnswer::No, question);
    }
    std::string BrowseForFolder(const std::string& prompt) override { return Next(folders, std::string(), prompt); }
    std::string OpenFileDialog(const std::string& filter) override {
        ADD_FAILURE() << "the engine opened a file dialog: " << filter;
        return {};
    }
    std::vector<std::string> OpenFilesDialog(const std::string& filter) override {
        return Next(openResults, std::vector<std::string>(), filter);
    }
    std::string SaveFileDialog(const std::string& fileName, const std::string& filter) override {
        saveDialogs.push_back(fileName + " " + filter);
        return Next(saveResults, fileName, fileName);
    }

    void ListReset() override {
        rowCount = focused = 0;
        selected.clear();
    }
    void ListRowsAppended(int first, int count) override {
        EXPECT_EQ(first, rowCount + 1);
        rowCount += count;
    }
    // The rows below move up, and their selection and focus with them.
    void ListRowRemoved(int row) override {
        EXPECT_TRUE(row >= 1 && row <= rowCount) << row;
        --rowCount;
        std::set<int> moved;
        for (int r : selected) {
            if (r != row) moved.insert(r > row ? r - 1 : r);
        }
        selected = moved;
        focused = focused == row ? 0 : focused - (focused > row ? 1 : 0);
    }
    void ListRowChanged(int row) override { EXPECT_TRUE(row >= 1 && row <= rowCount) << row; }
    void SetListVisible(bool) override {}
    bool IsRowSelected(int row) const override { return selected.count(row) != 0; }
    int FocusedRow() const override { return focused; }

    void EnableAll() override { commands.push_back("EnableAll"); }
    void EnableAllBAG() override { commands.push_back("EnableAllBAG"); }
    void EnableReadOnly() override { commands.push_back("EnableReadOnly"); }
    void EnableAdd() override { commands.push_back("EnableAdd"); }
    void DisableAll() override { commands.push_back("DisableAll"); }
    bool OpenWithAssociatedProgram(const std::string&) override { return true; }
    void MarkFoundRow(int row) override {
        EXPECT_TRUE(row >= 1 && row <= rowCount) << row;
        selected.insert(row);
        focused = row;
    }
    void SetFoundArchives(const std::vector<std::string>&) override {}
    void SetOpenWithEnabled(int, bool) override {}

private:
    template <typename T>
    static T Next(std::deque<T>& queue, T unanswered, const std::string& what) {
        if (queue.empty()) {
            ADD_FAILURE() << "nobody expected this question: " << what;
            return unanswered;
        }
        T answer = queue.front();
        queue.pop_front();
        return answer;
    }
};

}  // namespace varnok::test
