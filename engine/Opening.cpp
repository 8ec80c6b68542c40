// Opening, listing, closing and refreshing the archive, and the selection totals.
#include <optional>
#include <system_error>

#include "engine/ContinueOnFailure.h"
#include "engine/PairCommit.h"
#include "engine/ProgramInfo.h"
#include "engine/SizeText.h"
#include "engine/TextRules.h"
#include "engine/mVarnokEngine.h"
#include "formats/cBAG.h"
#include "formats/cRFD.h"
#include "formats/cRFH.h"
#include "formats/io/File.h"
#include "platform/Win1252.h"

namespace varnok {
namespace fs = std::filesystem;

mVarnokEngine::mVarnokEngine(EngineUi& ui) : ui_(ui) {}
mVarnokEngine::~mVarnokEngine() = default;

void mVarnokEngine::InitEngine() {
    appTitle_ = std::string(kFileDescription) + kVersionComments;
    openFilter_ = "All Supported Archives|*.rfh; *.bag|RFH Archives (*.rfh)|*.rfh|BAG Archives (*.bag)|*.bag";
    rfhFilter_ = "RFH Archives (*.rfh)|*.rfh";
    bagFilter_ = "BAG Archives (*.bag)|*.bag";
    if (!rfh_) rfh_ = std::make_unique<cRFH>();
    if (!rfd_) rfd_ = std::make_unique<cRFD>();
    if (!bag_) bag_ = std::make_unique<cBAG>();
    bag_->SetConvertQuestion([this](const std::string& question) {
        return ui_.ShowMessage(question, appTitle_, MessageIcon::Question, MessageButtons::YesNo) == MessageAnswer::Yes;
    });
}

std::string mVarnokEngine::DataPath() const { return DataFilePath(archivePath_); }

ListRow mVarnokEngine::MakeRow(std::int32_t n) const {
    ListRow row;
    if (isBag_) {
        row[Column::Filename] = Win1252ToUtf8(bag_->BAGGetFileName(n));
        row[Column::Packed] = "No";
        row[Column::PackedSize] = FormatSize(bag_->BAGGetFileSize(n));
        row[Column::OriginalSize] = row[Column::PackedSize];
        row[Column::Ratio] = "0%";
        row.packedSize = static_cast<std::uint32_t>(bag_->BAGGetFileSize(n));
        row.originalSize = row.packedSize;
    } else {
        row[Column::Filename] = Win1252ToUtf8(rfh_->GetFileName(n));
        row[Column::Packed] = rfh_->GetPacked(n);
        row[Column::PackedSize] = FormatSize(rfh_->GetPackedSize(n));
        row[Column::OriginalSize] = FormatSize(rfh_->GetOriginalSize(n));
        row[Column::Ratio] = rfh_->GetRatio(n);
        row[Column::Path] = Win1252ToUtf8(rfh_->GetFilePath(n));
        // Read as unsigned, as the selection totals count them.
        row.packedSize = static_cast<std::uint32_t>(rfh_->GetPackedSize(n));
        row.originalSize = static_cast<std::uint32_t>(rfh_->GetOriginalSize(n));
    }
    row[Column::FileNr] = std::to_string(n);
    return row;
}

// Fills the rows from the format object of the open kind. An RFH list is hidden
// while it fills, since it can run to thousands of rows.
void mVarnokEngine::ListEntries(bool hideList) {
    ui_.ShowProgress();
    if (hideList) ui_.SetListVisible(false);
    ui_.SetPanel(Panel::Message, "Creating file list...");
    rows_.reserve(static_cast<std::size_t>(fileCount_));
    for (std::int32_t n = 1; n <= fileCount_; ++n) {
        rows_.push_back(MakeRow(n));
        ui_.UpdateProgress(n, fileCount_);
    }
    ui_.ListRowsAppended(1, fileCount_);
}

namespace {

// Why `path` can't be opened, or "" when it is a file that can be read. Opening
// never creates anything: a stale recent file or a mistyped name must not turn
// into an empty archive beside somebody's data file.
std::string WhyNotOpenable(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        return "The archive \"" + path + "\" can't be found: it may have been moved, renamed or deleted.";
    }
    if (fs::is_directory(status)) return "\"" + path + "\" is a folder, not an archive.";
    try {
        InputFile probe(path);
    } catch (const std::exception& e) {
        return "The archive \"" + path + "\" can't be read: " + e.what();
    }
    return {};
}

// Finishes or undoes what an interrupted process of ours left half done on an
// RFH pair. It runs under the archive's lock, so it never touches the staging
// files of a process that is committing a change right now.
void RecoverInterruptedChanges(const fs::path& index, const fs::path& data) {
    PairCommit(index, data).RecoverPair();
    AddMarker(data).Recover(index);
}

}  // namespace

void mVarnokEngine::WatchArchiveFiles() {
    if (archivePath_.empty()) {
        guard_.Forget();
    } else if (isBag_) {
        guard_.Watch({archivePath_});
    } else {
        guard_.Watch({archivePath_, rfd_->RFDFileName()});
    }
}

void mVarnokEngine::OpenArchive(const std::string& path) {
    if (!rfh_) InitEngine();
    std::string why = WhyNotOpenable(path);
    // An index whose name gives no data file is not opened: its entries would be
    // read from, and added to, whatever data file was open before.
    if (why.empty() && DataFilePath(path).empty() && !bag_->BAGValid(path)) {
        why = "\"" + path +
              "\" is not an archive this program can open: it is no BAG archive, and an RFH "
              "index's name ends in \"rfh\", so that its data file, the same name ending in \"rfd\", can be found.";
    }
    if (!why.empty()) {
        Report(why, MessageIcon::Critical);
        TryStep([&] { archivePath_.empty() ? ui_.DisableAll() : ApplyCommandState(); });
        return;
    }
    ContinueOnFailure seq;
    seq.step([&] { CloseArchive(); });
    seq.step([&] { ui_.Yield(); });
    seq.step([&] {
        rows_.clear();
        ui_.ListReset();
    });
    seq.step([&] { ui_.SetPanel(Panel::Message, "Loading file: " + path); });
    seq.step([&] { ui_.SetCaption(appTitle_ + " - [" + StripPath(path) + "]"); });
    seq.step([&] { ui_.SetPathLabel(path); });
    seq.step([&] { ui_.DisableInterface(); });

    bool bag = false;
    seq.step([&] { bag = bag_->BAGValid(path); });
    readOnly_ = false;
    // Held while the files are read: a process of ours committing a change
    // finishes before we read, so the index and the data file agree.
    std::optional<FileLock> lock = EditGuard::LockArchive(path);
    if (!bag) {
        const fs::path data = ResolveNameCase(DataFilePath(path));
        if (lock && !data.empty()) seq.step([&] { RecoverInterruptedChanges(path, data); });
        bool indexRead = true;
        seq.step([&] { rfd_->RFDOpen(data); });
        seq.step([&] { guard_.Watch({path, rfd_->RFDFileName()}); });
        if (!seq.step([&] { rfh_->RFHOpen(path); })) {
            indexRead = false;
            TryStep([&] { rfh_->RFHClear(); });
        }
        lock.reset();
        seq.step([&] { fileCount_ = rfh_->GetFileCount(); });
        isBag_ = false;
        seq.step([&] { ListEntries(true); });
        seq.step([&] {
            // Saving a table that was cut short would drop the entries after the cut.
            readOnly_ = !indexRead || rfh_->RFHTruncated() || rfh_->RFHDamagedAt().has_value();
            if (readOnly_) {
                ui_.EnableReadOnly();
            } else if (fileCount_ != 0) {
                ui_.EnableAll();
            } else {
                ui_.EnableAdd();
            }
        });
        seq.step([&] { ui_.HideProgress(); });
    } else {
        seq.step([&] { guard_.Watch({path}); });
        seq.step([&] {
            // A BAG that fails to open leaves the object on the archive before it;
            // its entries must not be listed under this one's name.
            try {
                bag_->BAGOpen(path);
            } catch (...) {
                bag_->BAGClose();
                throw;
            }
        });
        lock.reset();
        seq.step([&] { fileCount_ = bag_->BAGGetFileCount(); });
        isBag_ = true;
        seq.step([&] { ListEntries(false); });
        seq.step([&] { fileCount_ != 0 ? ui_.EnableAllBAG() : ui_.EnableAdd(); });
        seq.step([&] { ui_.HideProgress(); });
    }
    seq.step([&] { ui_.EnableInterface(); });
    seq.step([&] { ui_.SetListVisible(true); });
    archivePath_ = path;
    seq.step([&] { ui_.SetPanel(Panel::Message, "Selected 0 files, 0 bytes"); });
    seq.step([&] { ui_.SetPanel(Panel::Count, std::to_string(fileCount_) + " Files"); });
    seq.step([&] { ui_.AddRecentFile(path); });
    seq.step([&] { ShowArchiveSize(true); });
    seq.step([&] { UpdateSelection(); });
    if (!isBag_ && rfh_->RFHDamagedAt()) {
        seq.step([&] {
            ui_.SetPanel(Panel::Message, "The index is damaged at offset " + std::to_string(*rfh_->RFHDamagedAt()) +
                                             ": the " + std::to_string(fileCount_) +
                                             " entries before it are listed, and it is read-only.");
        });
    } else if (!isBag_ && readOnly_ && !rfh_->RFHTruncated()) {
        seq.step([&] { ui_.SetPanel(Panel::Message, "The index could not be read, so the archive is read-only."); });
    } else if (readOnly_) {
        seq.step([&] {
            ui_.SetPanel(Panel::Message, "This archive holds more than " + std::to_string(kMaxEntries) +
                                             " entries: the first " + std::to_string(kMaxEntries) +
                                             " are listed, and it is read-only.");
        });
    }
}

void mVarnokEngine::ShowArchiveSize(bool indexToo) {
    std::uint64_t size = 0;
    if (isBag_) {
        size = FileLength(archivePath_);
    } else {
        size = FileLength(ResolveNameCase(DataPath()));
        if (indexToo) size += FileLength(archivePath_);
    }
    ui_.SetPanel(Panel::Size, FormatSize(static_cast<std::int64_t>(size)));
}

void mVarnokEngine::CloseArchive() {
    if (!rfh_) InitEngine();
    ui_.SetCaption(appTitle_);
    ui_.SetPanel(Panel::Message, "Done");
    ui_.SetPanel(Panel::Count, "0 Files");
    ui_.SetPanel(Panel::Size, "0 Bytes");
    rows_.clear();
    ui_.ListReset();
    ui_.SetPathLabel("");
    isBag_ = false;
    readOnly_ = false;
    archivePath_.clear();
    guard_.Forget();
    ui_.DisableAll();
}

void mVarnokEngine::RefreshArchive() {
    const std::string path = archivePath_;
    CloseArchive();
    OpenArchive(path);
}

void mVarnokEngine::OpenArchiveDialog() {
    const std::string chosen = ui_.OpenFileDialog(openFilter_);
    if (chosen.empty()) return;
    ui_.EnableAll();
    OpenArchive(chosen);
}

void mVarnokEngine::OpenFavorite(int index) {
    if (index < 1 || index > 1000) return;
    OpenArchive(ui_.FavoriteFile(index));
}

void mVarnokEngine::UpdateSelection() {
    ContinueOnFailure seq;
    seq.step([&] {
        const int focused = ui_.FocusedRow();
        const std::string name = focused >= 1 && focused <= RowCount() ? Row(focused)[Column::Filename] : "";
        for (int i = 1; i <= 50; ++i) {
            const std::string& ext = plugInTypes_[static_cast<std::size_t>(i)];
            const std::string tail = ext.size() <= name.size() ? name.substr(name.size() - ext.size()) : name;
            ui_.SetOpenWithEnabled(i, UpperCaseASCII(tail) == UpperCaseASCII(ext));
        }
    });
    std::int32_t count = 0;
    std::int64_t total = 0;
    seq.step([&] {
        for (int i = 1; i <= RowCount(); ++i) {
            if (!ui_.IsRowSelected(i)) continue;
            ++count;
            // Each size counts as the unsigned number its row shows.
            total += static_cast<std::uint32_t>(isBag_ ? bag_->BAGGetFileSize(i) : rfh_->GetOriginalSize(i));
        }
    });
    seq.step(
        [&] { ui_.SetPanel(Panel::Message, "Selected " + std::to_string(count) + " files " + FormatSize(total)); });
    selectedCount_ = count;
    selectedBytes_ = total;
    ListMouseDown = false;
}

void mVarnokEngine::ListClicked() {
    if (ListMouseDown) return;
    ui_.Yield();
    UpdateSelection();
}

void mVarnokEngine::ListMouseReleased() {
    UpdateSelection();
    ListMouseDown = false;
}

}  // namespace varnok
