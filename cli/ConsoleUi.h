#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "engine/EngineUi.h"

namespace varnok::cli {

// How the questions of a run are answered when no one is asked.
struct Answers {
    bool overwrite = false;             // --overwrite
    std::optional<bool> convertToWave;  // --wav (true) or --raw (false)
    bool convertModels = false;         // --models FORMAT: models converted, never asked
    bool yes = false;                   // --yes: every other confirmation
    bool verbose = false;               // --verbose: show the status texts
};

// The engine's window on a terminal. Rows are "selected" by the command, not by a
// mouse; questions are answered by the flags, else asked on stderr when stdin is a
// terminal, else printed with the flags that answer them, given the answer that
// changes nothing, and counted as failures. Every message the engine shows with
// the critical or exclamation icon is printed as a failure.
class ConsoleUi final : public EngineUi {
public:
    ConsoleUi(Answers answers, std::ostream& err, bool interactive, bool showProgress);

    // The rows the next engine operation works on.
    void Select(const std::set<int>& rows) { selected_ = rows; }
    void Focus(int row) { focused_ = row; }

    // Failures shown so far (failure messages, and questions left unanswered for
    // want of a terminal), and existing files left alone however it was decided.
    int Failures() const noexcept { return failures_; }
    int KeptFiles() const noexcept { return keptFiles_; }

    void SetCaption(const std::string&) override {}
    void SetPathLabel(const std::string&) override {}
    void SetPanel(Panel panel, const std::string& text) override;

    void ShowProgress() override;
    void HideProgress() override;
    void UpdateProgress(std::int64_t current, std::int64_t total) override;
    void DisableInterface() override {}
    void EnableInterface() override {}
    void Yield() override {}
    // True once Ctrl+C was pressed while a long operation showed its progress.
    bool CancelRequested() override;

    MessageAnswer ShowMessage(const std::string& text, const std::string& title, MessageIcon icon,
                              MessageButtons buttons) override;
    OverwriteAnswer AskOverwrite(const std::string& question, const std::string& title) override;
    ConvertAnswer AskConvert(const std::string& question, const std::string& title) override;

    // The tool never runs the commands that pick files interactively.
    std::string BrowseForFolder(const std::string&) override { return {}; }
    std::string OpenFileDialog(const std::string&) override { return {}; }
    std::string SaveFileDialog(const std::string& fileName, const std::string&) override { return fileName; }

    void ListReset() override {}
    void ListRowsAppended(int, int) override {}
    void ListRowRemoved(int) override {}
    void ListRowChanged(int) override {}
    void SetListVisible(bool) override {}
    bool IsRowSelected(int row) const override { return selected_.count(row) != 0; }
    int FocusedRow() const override { return focused_; }

    void EnableAll() override {}
    void EnableAllBAG() override {}
    void EnableReadOnly() override {}
    void EnableAdd() override {}
    void DisableAll() override {}

    bool OpenWithAssociatedProgram(const std::string& path) override;

private:
    void PrintLines(const std::string& text);
    void ClearProgressLine();
    // Reads one answer line from stdin after printing `prompt`; nothing at end of input.
    std::optional<std::string> Ask(const std::string& prompt);
    // The flag's answer when one was given, else the terminal's; without a
    // terminal the question is reported with `options`, the flags that answer it.
    bool AnswerYesNo(const std::string& text, std::optional<bool> flagAnswer, std::string_view options);
    void ReportUnasked(const std::string& question, std::string_view options);

    Answers answers_;
    std::ostream& err_;
    bool interactive_;
    bool showProgress_;
    std::set<int> selected_;
    int focused_ = 0;
    int failures_ = 0;
    int keptFiles_ = 0;
    std::string lastMessage_;
    bool progressVisible_ = false;
    int progressShown_ = -1;  // the per cent last drawn
};

}  // namespace varnok::cli
