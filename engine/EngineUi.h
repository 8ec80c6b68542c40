#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/ConvertAnswer.h"

namespace varnok {

// The icons and button sets a message box can carry.
enum class MessageIcon { Critical, Question, Exclamation, Information };
// YesNoDefaultNo is for questions whose Yes destroys something: Enter answers No.
enum class MessageButtons { Ok, YesNo, YesNoDefaultNo };
enum class MessageAnswer { Ok, Yes, No, Closed };

// The answers of the overwrite question, with the values the engine stores.
enum class OverwriteAnswer : std::int16_t { None = 0, No = 1, Yes = 2, YesToAll = 3, NoToAll = 4 };

// The status bar's panels.
enum class Panel { Message = 1, Count = 2, Size = 3 };

// Everything the engine needs of the window it works for. The main window
// implements it with widgets, the command-line tool on a terminal, and the tests
// as a script that records every text and answers every question.
//
// All texts are UTF-8. Rows are numbered from 1, as entries are.
class EngineUi {
public:
    virtual ~EngineUi() = default;

    // Caption, path label and the three status panels.
    virtual void SetCaption(const std::string& text) = 0;
    virtual void SetPathLabel(const std::string& text) = 0;
    virtual void SetPanel(Panel panel, const std::string& text) = 0;

    // The progress bar of long operations.
    virtual void ShowProgress() = 0;
    virtual void HideProgress() = 0;
    virtual void UpdateProgress(std::int64_t current, std::int64_t total) = 0;

    // Bracket every long operation: menus, list, folder pane and toolbar.
    virtual void DisableInterface() = 0;
    virtual void EnableInterface() = 0;

    // Lets the window paint and handle input once, inside a long loop.
    virtual void Yield() = 0;

    // Whether the user has asked the running long operation to stop. The long
    // loops ask after each entry, finish the one in hand and stop; a front end
    // forgets the request when the next operation shows its progress bar.
    virtual bool CancelRequested() { return false; }

    // A modal message box.
    virtual MessageAnswer ShowMessage(const std::string& text, const std::string& title, MessageIcon icon,
                                      MessageButtons buttons) = 0;

    // The modal overwrite question; None when it was closed without an answer.
    virtual OverwriteAnswer AskOverwrite(const std::string& question, const std::string& title) = 0;

    // Whether a sound entry is extracted as a WAVE file, with the question icon.
    // A front end that offers Yes to All and No to All overrides this; the plain
    // question answers Yes or No, and closing it answers No.
    virtual ConvertAnswer AskConvert(const std::string& question, const std::string& title) {
        return ShowMessage(question, title, MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes
                   ? ConvertAnswer::Yes
                   : ConvertAnswer::No;
    }

    // The folder picker: a plain path, or "" when cancelled.
    virtual std::string BrowseForFolder(const std::string& prompt) = 0;

    // The file dialogs. `filter` is description|pattern pairs separated by "|".
    // OpenFileDialog gives "" on cancel; SaveFileDialog gives back `fileName`
    // unchanged on cancel, as the common dialog does.
    virtual std::string OpenFileDialog(const std::string& filter) = 0;
    virtual std::string SaveFileDialog(const std::string& fileName, const std::string& filter) = 0;
    // The open dialog taking several files at once; none on cancel. A front end
    // without such a dialog offers its one-file dialog.
    virtual std::vector<std::string> OpenFilesDialog(const std::string& filter) {
        std::string chosen = OpenFileDialog(filter);
        if (chosen.empty()) return {};
        return {std::move(chosen)};
    }

    // The file list shows the engine's rows (mVarnokEngine::Rows()); these tell it
    // what changed. Selection and focus belong to the list.
    virtual void ListReset() = 0;
    virtual void ListRowsAppended(int first, int count) = 0;
    virtual void ListRowRemoved(int row) = 0;
    virtual void ListRowChanged(int row) = 0;
    virtual void SetListVisible(bool visible) = 0;
    virtual bool IsRowSelected(int row) const = 0;
    virtual int FocusedRow() const = 0;  // 0 when the list has no current row

    // Command state of the menus and the toolbar.
    virtual void EnableAll() = 0;
    virtual void EnableAllBAG() = 0;
    virtual void EnableReadOnly() = 0;
    virtual void EnableAdd() = 0;
    virtual void DisableAll() = 0;

    // Opens a file in the program the desktop associates with it, without waiting;
    // false when no program could be started for it.
    virtual bool OpenWithAssociatedProgram(const std::string& path) = 0;

    // Hooks into the settings store and the plug-in menus; a front end without
    // them keeps the defaults.
    virtual void AddRecentFile(const std::string& /*path*/) {}
    virtual std::string FavoriteFile(int /*index*/) { return {}; }
    virtual void SetOpenWithEnabled(int /*entry*/, bool /*enabled*/) {}

    // Find File's match: selects the row without clearing the other selected
    // rows, makes it the current row and scrolls it into view.
    virtual void MarkFoundRow(int /*row*/) {}
    // The captions of the archives the game scan found, for File > Found and the
    // Open Archive drop-down; entry k opens with mVarnokEngine::OpenFoundArchive(k).
    virtual void SetFoundArchives(const std::vector<std::string>& /*captions*/) {}
};

}  // namespace varnok
