// Renaming an entry and changing its stored path: the index alone changes.
#include <algorithm>

#include "engine/ContinueOnFailure.h"
#include "engine/TextRules.h"
#include "engine/mVarnokEngine.h"
#include "formats/cRFH.h"
#include "platform/Win1252.h"

namespace varnok {

std::int32_t mVarnokEngine::CurrentEntryNumber() const {
    const int row = ui_.FocusedRow();
    if (row < 1 || row > RowCount()) return 0;
    try {
        return std::stoi(Row(row)[Column::FileNr]);
    } catch (const std::exception&) {
        return 0;
    }
}

// Applies a change of entry n's stored name and saves the index; when the save
// fails, the table goes back to what is on disk and the user is told. The row's
// cell takes the new text as it was given, not as the index reads it back: a
// path of a lone "\" stays "\" in the list, although the index then counts that
// "\" as part of the file name.
bool mVarnokEngine::SaveRenamed(std::int32_t n, const std::function<void()>& change, Column column,
                                const std::string& cell) {
    if (n < 1 || n > fileCount_ || isBag_ || RefuseEdit()) return false;
    std::optional<EditPermit> permit = AdmitEdit(false);
    if (!permit) return false;
    try {
        change();
        SaveIndex(*permit);
    } catch (const std::exception& e) {
        Report(std::string("The entry could not be renamed; the archive is unchanged.\n\n") + e.what());
        TryStep([&] { ResyncWithDisk(); });
        return false;
    }
    rows_[static_cast<std::size_t>(n - 1)][column] = cell;
    ui_.ListRowChanged(n);
    return true;
}

void mVarnokEngine::RenameFileEntry(const std::string& newName) {
    const std::int32_t n = CurrentEntryNumber();
    const auto stored = Utf8ToWin1252(newName);
    if (!stored) {
        Report("The name \"" + newName + "\" has characters an archive cannot store.");
        return;
    }
    SaveRenamed(n, [&] { rfh_->SetFileName(n, *stored); }, Column::Filename, newName);
}

void mVarnokEngine::ChangeFilePath(const std::string& newPath) {
    const std::int32_t n = CurrentEntryNumber();
    const auto stored = Utf8ToWin1252(newPath);
    if (!stored) {
        Report("The path \"" + newPath + "\" has characters an archive cannot store.");
        return;
    }
    SaveRenamed(n, [&] { rfh_->SetFilePath(n, *stored); }, Column::Path, newPath);
}

void mVarnokEngine::ConfirmRename(const std::string& typed) { RenameFileEntry(StripPath(typed)); }

void mVarnokEngine::ConfirmChangePath(const std::string& typed) {
    // Stored paths use "\"; a "/" typed on this platform means the same.
    std::string path = typed;
    std::replace(path.begin(), path.end(), '/', '\\');
    if (!path.empty()) {
        if (path.front() == '\\') path.erase(0, 1);
        path = WithTrailingBackslash(path);
        if (path.empty()) path = "\\";
    }
    ChangeFilePath(path);
}

}  // namespace varnok
