// Opening, listing, closing and refreshing the archive, and the selection totals.
#include <optional>
#include <system_error>

#include "engine/ArchiveLocation.h"
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
    RemoveStagingFilesLeftFor(index);
    RemoveStagingFilesLeftFor(data);
}

// The archive's files as they are when it is opened, held until it is closed,
// so every later read sees this version. Under the archive's lock, when it can
// be had, an interrupted change is first finished or undone; a reader that may
// not take the lock reads the index that recovery would keep instead.
struct HeldArchive {
    std::vector<std::shared_ptr<HeldFile>> files;
    fs::path indexToRead;
    std::string readOnlyReason;
};

HeldArchive HoldArchive(const ArchiveLocation& where, bool bag, const fs::path& lockFile) {
    HeldArchive held;
    held.indexToRead = where.index;
    FileLock::Attempt lock = EditGuard::LockArchive(lockFile);
    if (bag && lock.lock) RemoveStagingFilesLeftFor(where.index);
    if (!bag && !where.data.empty()) {
        if (lock.lock) {
            TryStep([&] { RecoverInterruptedChanges(where.index, where.data); });
        } else if (auto pending = PairCommit(where.index, where.data).PendingIndex()) {
            held.indexToRead = *pending;
            held.readOnlyReason =
                "A change of this archive was interrupted and can't be finished here, since the "
                "archive's lock can't be taken; it is shown as the change left it, read-only.";
        }
    }
    held.files.push_back(HeldFile::Hold(held.indexToRead));
    if (!bag && !where.data.empty()) {
        try {
            held.files.push_back(HeldFile::Hold(where.data));
        } catch (const std::exception& e) {
            held.readOnlyReason = std::string("The data file can't be read (") + e.what() +
                                  "), so the archive is open read-only, without its payloads.";
        }
    }
    return held;
}

}  // namespace

// Why the open archive can be read but not changed by this user, "" when it can.
std::string mVarnokEngine::WhyNotEditable(const ArchiveLocation& where) const {
    if (!where.readOnlyReason.empty()) return where.readOnlyReason;
    if (!where.dataProblem.empty()) return where.dataProblem;
    for (const fs::path& file : {where.index, where.data}) {
        if (file.empty()) continue;
        if (const std::string why = WhyReadOnlyFile(file); !why.empty()) {
            return "\"" + file.string() + "\" can't be changed: " + why + ". The archive is open read-only.";
        }
    }
    return {};
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
    readOnlyReason_.clear();
    const ArchiveLocation where = LocateArchive(path, bag);
    const fs::path lockFile = EditGuard::LockFileFor(bag || where.data.empty() ? where.index : where.data);
    // The lock is held while the files are opened: a process of ours committing
    // a change finishes first, so the index and the data file held agree.
    HeldArchive held;
    if (!seq.step([&] { held = HoldArchive(where, bag, lockFile); })) held = {};
    guard_.Hold(held.files, lockFile);
    indexPath_ = where.index;
    readOnlyReason_ = held.readOnlyReason.empty() ? WhyNotEditable(where) : held.readOnlyReason;
    if (!bag) {
        bool indexRead = true;
        seq.step([&] { where.data.empty() ? rfd_->RFDClear() : rfd_->RFDOpen(where.data); });
        if (!seq.step([&] { rfh_->RFHOpen(held.indexToRead); })) {
            indexRead = false;
            TryStep([&] { rfh_->RFHClear(); });
        }
        seq.step([&] { fileCount_ = rfh_->GetFileCount(); });
        isBag_ = false;
        seq.step([&] { ListEntries(true); });
        seq.step([&] {
            // Saving a table that was cut short would drop the entries after the cut.
            readOnly_ =
                !indexRead || rfh_->RFHTruncated() || rfh_->RFHDamagedAt().has_value() || !readOnlyReason_.empty();
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
        seq.step([&] {
            // A BAG that fails to open leaves the object on the archive before it;
            // its entries must not be listed under this one's name.
            try {
                bag_->BAGOpen(where.index);
            } catch (...) {
                bag_->BAGClose();
                throw;
            }
        });
        seq.step([&] { fileCount_ = bag_->BAGGetFileCount(); });
        isBag_ = true;
        seq.step([&] { ListEntries(false); });
        readOnly_ = !readOnlyReason_.empty();
        seq.step([&] {
            if (readOnly_) {
                ui_.EnableReadOnly();
            } else {
                fileCount_ != 0 ? ui_.EnableAllBAG() : ui_.EnableAdd();
            }
        });
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
    } else if (!readOnlyReason_.empty()) {
        seq.step([&] { ui_.SetPanel(Panel::Message, readOnlyReason_); });
        if (!where.dataProblem.empty()) seq.step([&] { Report(where.dataProblem, MessageIcon::Exclamation); });
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

bool mVarnokEngine::TableCut() const {
    return !isBag_ && rfh_ && (rfh_->RFHTruncated() || rfh_->RFHDamagedAt().has_value());
}

void mVarnokEngine::ShowArchiveSize(bool indexToo) {
    std::uint64_t size = 0;
    if (!guard_.Holding()) {
        size = 0;
    } else if (isBag_) {
        size = guard_.Files().front()->Now().size;
    } else {
        for (std::size_t i = indexToo ? 0 : 1; i < guard_.Files().size(); ++i) size += guard_.Files()[i]->Now().size;
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
    readOnlyReason_.clear();
    archivePath_.clear();
    indexPath_.clear();
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
