// Taking entries out of the open archive: the selected ones, all, or one stored folder's.
#include <algorithm>
#include <system_error>

#include "engine/ExtractionTarget.h"
#include "engine/TextRules.h"
#include "engine/mVarnokEngine.h"
#include "formats/cBAG.h"
#include "formats/cRFD.h"
#include "formats/cRFH.h"
#include "platform/Folders.h"
#include "platform/Win1252.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

bool TargetExists(const fs::path& target) {
    std::error_code ec;
    return fs::exists(target, ec);
}

// The folder part of a chosen path, with its separator, as the question shows it.
std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

void mVarnokEngine::ExtractEntry(std::int32_t n, const fs::path& target) {
    if (isBag_) {
        bag_->BAGExtractFile(n, target);
        return;
    }
    rfd_->RFDExtractFile(rfh_->GetOffSet(n), rfh_->GetPackedSize(n), rfh_->GetOriginalSize(n), target,
                         rfh_->GetPacked(n) == "Yes");
}

std::string mVarnokEngine::EntryFileName(std::int32_t n) const {
    return isBag_ ? bag_->BAGGetFileName(n) : rfh_->GetFileName(n);
}

std::string mVarnokEngine::EntryStoredFolder(std::int32_t n) const {
    return isBag_ ? std::string() : rfh_->GetFilePath(n);
}

fs::path mVarnokEngine::TargetIn(const fs::path& folder, std::int32_t n, bool keepStructure,
                                 std::vector<std::string>& failures) const {
    const std::string name = EntryFileName(n);
    const std::string storedFolder = keepStructure ? EntryStoredFolder(n) : std::string();
    ExtractionTarget target = ResolveExtractionTarget(folder, storedFolder, name);
    if (!target.path) {
        // A BAG entry of a type without an extension has no name to show.
        const std::string shown = name.empty() ? "entry " + std::to_string(n) : Win1252ToUtf8(storedFolder + name);
        failures.push_back(shown + ": not extracted, because " + target.why + ".");
        return {};
    }
    return *target.path;
}

bool mVarnokEngine::ExtractTo(std::int32_t n, const fs::path& target, std::vector<std::string>& failures) {
    try {
        CreateTargetFolders(target);
        ExtractEntry(n, target);
        return true;
    } catch (const std::exception& e) {
        failures.push_back(Win1252ToUtf8(EntryStoredFolder(n) + EntryFileName(n)) + ": " + e.what());
        return false;
    }
}

fs::path mVarnokEngine::ExtractEntryInto(std::int32_t n, const fs::path& folder) {
    std::vector<std::string> failures;
    fs::path target = TargetIn(folder, n, false, failures);
    if (!target.empty() && !ExtractTo(n, target, failures)) target.clear();
    ReportFailures("The file could not be extracted:", failures);
    return target;
}

OverwriteAnswer mVarnokEngine::AskOverwrite(const std::string& fileName, const std::string& folder) {
    const std::string question =
        fileName + " already exists in the directory: " + folder + " do you want to overwrite the existing file?";
    OverwriteAnswer answer = ui_.AskOverwrite(question, appTitle_);
    // Closing the question without an answer must never overwrite anything.
    if (answer == OverwriteAnswer::None) answer = OverwriteAnswer::No;
    overwriteAnswer_ = answer;
    return answer;
}

void mVarnokEngine::ExtractSelectedFiles(bool askOverwrite) {
    if (selectedCount_ == 1) {
        int row = ui_.FocusedRow();
        if (row < 1 || row > RowCount() || !ui_.IsRowSelected(row)) {
            for (row = 1; row <= RowCount() && !ui_.IsRowSelected(row); ++row) {
            }
        }
        if (row > RowCount()) return;
        const std::string name = Row(row)[Column::Filename];
        const std::string chosen = ui_.SaveFileDialog(name, "All files (*.*)|*.*");
        if (chosen == name || chosen.empty()) return;
        const std::int32_t n = std::stoi(Row(row)[Column::FileNr]);
        if (askOverwrite && FileExists(chosen) &&
            AskOverwrite(StripPath(chosen), FolderOf(chosen)) == OverwriteAnswer::No) {
            return;
        }
        ui_.SetPanel(Panel::Message, "Extracting file: " + name);
        std::vector<std::string> failures;
        ExtractTo(n, chosen, failures);
        ui_.SetPanel(Panel::Message, "All selected files extracted.");
        ReportFailures("The file could not be extracted:", failures);
        return;
    }

    std::string folder = ui_.BrowseForFolder("Select directory to extract the selected files to:");
    if (folder.empty()) return;
    folder = WithTrailingSlash(folder);
    ui_.SetPanel(Panel::Message, "Extracting files...");
    ui_.ShowProgress();
    ui_.DisableInterface();
    std::vector<std::string> failures;
    std::int32_t done = 0;
    for (std::int32_t i = 1; i <= fileCount_ && i <= RowCount(); ++i) {
        ui_.UpdateProgress(done, selectedCount_);
        if (ui_.IsRowSelected(i)) {
            ++done;
            const fs::path target = TargetIn(folder, i, false, failures);
            bool skip = target.empty();
            if (!skip && askOverwrite && !yesToAll_ && TargetExists(target)) {
                const OverwriteAnswer answer = AskOverwrite(Row(i)[Column::Filename], folder);
                skip = answer == OverwriteAnswer::No;
                if (answer == OverwriteAnswer::YesToAll) yesToAll_ = true;
            }
            if (!skip) {
                ui_.SetPanel(Panel::Message, "Extracting file: " + Row(i)[Column::Filename]);
                ExtractTo(i, target, failures);
            }
        }
        ui_.Yield();
    }
    yesToAll_ = false;
    ui_.EnableInterface();
    ui_.HideProgress();
    ui_.SetPanel(Panel::Message, "All selected files extracted.");
    ReportFailures("These files could not be extracted:", failures);
}

void mVarnokEngine::ExtractAllFiles(const std::string& folder, bool overwrite, bool keepStructure,
                                    bool askOverwrite) {
    std::vector<std::int32_t> all(static_cast<std::size_t>(std::max(fileCount_, 0)));
    for (std::int32_t i = 1; i <= fileCount_; ++i) all[static_cast<std::size_t>(i - 1)] = i;
    ExtractEntries(all, folder, overwrite, keepStructure, askOverwrite);
}

void mVarnokEngine::ExtractEntries(const std::vector<std::int32_t>& numbers, const std::string& folderText,
                                   bool overwrite, bool keepStructure, bool askOverwrite) {
    const std::string folder = WithTrailingSlash(folderText);
    ui_.SetPanel(Panel::Message, "Extracting all files...");
    ui_.ShowProgress();
    ui_.DisableInterface();
    std::vector<std::string> failures;
    std::int64_t done = 0;
    for (std::int32_t i : numbers) {
        if (i < 1 || i > fileCount_) continue;
        const fs::path target = TargetIn(folder, i, keepStructure, failures);
        bool extract = !target.empty();
        if (extract && TargetExists(target) && !overwrite && !yesToAll_) {
            extract = false;
            if (askOverwrite) {
                const OverwriteAnswer answer = AskOverwrite(target.string(), folder);
                extract = answer != OverwriteAnswer::No;
                if (answer == OverwriteAnswer::YesToAll) yesToAll_ = true;
            }
        }
        if (extract) ExtractTo(i, target, failures);
        ui_.UpdateProgress(++done, static_cast<std::int64_t>(numbers.size()));
        ui_.Yield();
    }
    yesToAll_ = false;
    ui_.EnableInterface();
    ui_.HideProgress();
    ui_.SetPanel(Panel::Message, "All files extracted");
    ReportFailures("These files could not be extracted:", failures);
}

void mVarnokEngine::ExtractDirectory(const std::string& storedFolder, const std::string& folderText, bool overwrite) {
    const std::string folder = WithTrailingSlash(folderText);
    ui_.SetPanel(Panel::Message, "Extracting all files...");
    ui_.ShowProgress();
    ui_.DisableInterface();
    std::vector<std::string> failures;
    for (std::int32_t i = 1; i <= fileCount_ && i <= RowCount(); ++i) {
        if (UpperCaseASCII(Row(i)[Column::Path]) == storedFolder) {
            const fs::path target = TargetIn(folder, i, false, failures);
            if (!target.empty() && (overwrite || !TargetExists(target))) ExtractTo(i, target, failures);
        }
        ui_.UpdateProgress(i, fileCount_);
        ui_.Yield();
    }
    ui_.EnableInterface();
    ui_.HideProgress();
    ui_.SetPanel(Panel::Message, "All files extracted");
    ReportFailures("These files could not be extracted:", failures);
}

}  // namespace varnok
