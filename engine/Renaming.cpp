// Renaming an entry and changing its stored path: the index alone changes.
#include <optional>

#include "engine/ContinueOnFailure.h"
#include "engine/TextRules.h"
#include "engine/mVarnokEngine.h"
#include "formats/cRFH.h"
#include "platform/Win1252.h"

namespace varnok {

namespace {

// The entry other than n stored under `folder` + `name`, or 0. Letters match in
// any case, as the game finds its files by these names on Windows.
std::int32_t OtherEntryStoredAs(const cRFH& index, std::int32_t n, const std::string& folder, const std::string& name) {
    const std::string wanted = UpperCaseASCII(folder + name);
    for (std::int32_t k = 1; k <= index.GetFileCount(); ++k) {
        if (k != n && UpperCaseASCII(index.GetFilePath(k) + index.GetFileName(k)) == wanted) return k;
    }
    return 0;
}

}  // namespace

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
// cell takes the text of the name or path as stored.
bool mVarnokEngine::SaveRenamed(std::int32_t n, const std::function<void()>& change, Column column,
                                const std::string& cell) {
    if (n < 1 || n > fileCount_ || isBag_ || RefuseEdit()) return false;
    std::optional<EditPermit> permit = AdmitEdit(false);
    if (!permit) return false;
    try {
        change();
        SaveIndex(*permit);
    } catch (const std::exception& e) {
        permit->Failed();
        Report(std::string("The entry could not be renamed; the archive is unchanged.\n\n") + e.what());
        TryStep([&] { ResyncWithDisk(); });
        return false;
    }
    rows_[static_cast<std::size_t>(n - 1)][column] = cell;
    ui_.ListRowChanged(n);
    return true;
}

// A name or path is checked by the rules extraction applies, so that nothing the
// program writes is a name it would later refuse to extract.
void mVarnokEngine::RenameFileEntry(const std::string& newName) {
    const std::int32_t n = CurrentEntryNumber();
    if (n < 1 || n > fileCount_) return;
    if (isBag_) {
        RenameBagEntry(n, newName);
        return;
    }
    const auto stored = Utf8ToWin1252(newName);
    if (!stored) {
        Report("The name \"" + newName + "\" has characters an archive cannot store.");
        return;
    }
    if (const std::string why = RefusalOfName(*stored); !why.empty()) {
        Report("The name \"" + newName + "\" can't be given to an entry: " + why + ".");
        return;
    }
    if (const std::int32_t other = OtherEntryStoredAs(*rfh_, n, rfh_->GetFilePath(n), *stored)) {
        Report(NameTakenMessage(other, Win1252ToUtf8(rfh_->GetFilePath(n) + *stored)));
        return;
    }
    SaveRenamed(
        n, [&] { rfh_->SetFileName(n, *stored); }, Column::Filename, newName);
}

void mVarnokEngine::ChangeFilePath(const std::string& newPath) {
    const std::int32_t n = CurrentEntryNumber();
    if (n < 1) return;
    const auto bytes = Utf8ToWin1252(newPath);
    if (!bytes) {
        Report("The path \"" + newPath + "\" has characters an archive cannot store.");
        return;
    }
    std::string why;
    const std::optional<std::string> stored = NormaliseStoredPath(*bytes, why);
    if (!stored) {
        Report("The path \"" + newPath + "\" can't be given to an entry: " + why + ".");
        return;
    }
    if (n <= fileCount_ && !isBag_) {
        if (const std::int32_t other = OtherEntryStoredAs(*rfh_, n, *stored, rfh_->GetFileName(n))) {
            Report(NameTakenMessage(other, Win1252ToUtf8(*stored + rfh_->GetFileName(n))));
            return;
        }
    }
    SaveRenamed(
        n, [&] { rfh_->SetFilePath(n, *stored); }, Column::Path, Win1252ToUtf8(*stored));
}

void mVarnokEngine::ConfirmRename(const std::string& typed) { RenameFileEntry(StripPath(typed)); }

void mVarnokEngine::ConfirmChangePath(const std::string& typed) { ChangeFilePath(typed); }

}  // namespace varnok
