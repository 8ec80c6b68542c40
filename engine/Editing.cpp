// Adding files to the open archive and removing entries from it.
#include <algorithm>
#include <chrono>
#include <deque>
#include <future>
#include <system_error>

#include "engine/ContinueOnFailure.h"
#include "engine/PairCommit.h"
#include "engine/ProgramInfo.h"
#include "engine/SizeText.h"
#include "engine/TextRules.h"
#include "engine/WorkerPool.h"
#include "engine/mVarnokEngine.h"
#include "formats/cBAG.h"
#include "formats/cRFD.h"
#include "formats/cRFH.h"
#include "formats/io/File.h"
#include "platform/Win1252.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

// Adding a folder saves the index at least this often, so an interrupted batch
// keeps what was added up to the last save.
constexpr auto kIndexSaveInterval = std::chrono::seconds(2);

std::string StoredText(const std::string& utf8, const char* what) {
    auto bytes = Utf8ToWin1252(utf8);
    if (!bytes) throw std::runtime_error(std::string(what) + " has characters an archive cannot store");
    return *bytes;
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

// The files of one add command, read and compressed ahead on the workers while the
// UI thread writes the ones before them into the data file, in order and at the
// offsets the one-by-one run uses, so the archive comes out byte for byte the
// same. What a file turns into is decided only when its turn comes: a file read
// ahead is the same file read then, except for the archive's own index and data
// file, which the command itself changes and which are therefore never read ahead.
class PayloadsAhead {
public:
    PayloadsAhead(const std::vector<std::string>& files, unsigned workers, fs::path index, fs::path data,
                  EngineUi& ui)
        : files_(files), index_(std::move(index)), data_(std::move(data)), ui_(ui), pool_(workers),
          limit_(workers == 0 ? 0 : workers * kAheadPerWorker) {
        Advance(0);
    }

    // The payload of file i, as RFDPreparePayload gives it now; raises what that raises.
    RFDPayload Take(std::size_t i) {
        while (!ahead_.empty() && ahead_.front().index < i) Drop();
        if (ahead_.empty() || ahead_.front().index != i) {
            Advance(i + 1);
            return cRFD::RFDPreparePayload(files_[i], true);
        }
        std::future<RFDPayload> payload = std::move(ahead_.front().payload);
        Drop();
        Advance(i + 1);
        while (payload.wait_for(kPaintInterval) != std::future_status::ready) ui_.Yield();
        return payload.get();
    }

    // Keeps the workers busy with the files from `from` on.
    void Advance(std::size_t from) {
        next_ = std::max(next_, from);
        while (ahead_.size() < limit_ && next_ < files_.size()) {
            const std::size_t i = next_;
            std::error_code ec;
            const std::uintmax_t size = fs::file_size(files_[i], ec);
            if (ec || size <= 2 || SameFile(files_[i], index_) || SameFile(files_[i], data_)) {
                ++next_;
                continue;
            }
            if (!ahead_.empty() && bytes_ + size > kAheadBytes) break;
            ++next_;
            bytes_ += size;
            ahead_.push_back({i, size, pool_.Run([file = files_[i]] { return cRFD::RFDPreparePayload(file, true); })});
        }
    }

private:
    // Enough files ahead that a large one, whose turn the UI thread waits for,
    // does not leave the other workers idle; files read ahead hold their bytes and
    // then their compressed bytes until their turn, so their total is bounded too.
    static constexpr unsigned kAheadPerWorker = 32;
    static constexpr std::uintmax_t kAheadBytes = 20 << 20;
    static constexpr auto kPaintInterval = std::chrono::milliseconds(30);

    struct Ahead {
        std::size_t index;
        std::uintmax_t bytes;
        std::future<RFDPayload> payload;
    };

    void Drop() {
        bytes_ -= ahead_.front().bytes;
        ahead_.pop_front();
    }

    const std::vector<std::string>& files_;
    fs::path index_, data_;
    EngineUi& ui_;
    std::deque<Ahead> ahead_;
    std::size_t next_ = 0;
    std::uintmax_t bytes_ = 0;
    WorkerPool pool_;  // after what its jobs use: its threads stop first
    std::size_t limit_;
};

}  // namespace

// Brings the table and the list back to what the index on disk says, after a
// change that could not be saved.
void mVarnokEngine::ResyncWithDisk() {
    rfh_->RFHOpen(archivePath_);
    fileCount_ = rfh_->GetFileCount();
    rows_.clear();
    for (std::int32_t n = 1; n <= fileCount_; ++n) rows_.push_back(MakeRow(n));
    ui_.ListReset();
    ui_.ListRowsAppended(1, fileCount_);
    ui_.SetPanel(Panel::Count, std::to_string(fileCount_) + " Files");
}

void mVarnokEngine::SaveIndex() { rfh_->RFHSave(archivePath_); }

// The payloads an add wrote reach the disk before the index that names them.
void mVarnokEngine::SaveAddedEntries() {
    rfd_->RFDFlush();
    SaveIndex();
}

// Appends one file without saving the index; returns false (with the reason in
// `why`) when it was not added. The payload is written before the index is
// touched, so a crash in between leaves only unused bytes at the data file's end.
bool mVarnokEngine::AppendEntry(const std::string& sourceFile, const std::string& filePath, std::string& why,
                                const PayloadWriter& writePayload) {
    try {
        if (fileCount_ >= kMaxEntries) {
            why = "the archive already holds " + std::to_string(kMaxEntries) + " entries, the most an index can hold";
            return false;
        }
        const std::string storedName = StoredText(StripPath(sourceFile), "its name");
        const std::string storedFolder = StoredFolderFromText(filePath);
        const std::int32_t offset = rfh_->RFHNextOffSet();
        // The payload is flushed to disk only before the index that names it is saved.
        const std::int32_t packed =
            writePayload ? writePayload(offset)
                         : rfd_->RFDWritePayload(offset, cRFD::RFDPreparePayload(sourceFile, true),
                                                 ReplacementFile::Sync::ProcessSafe);
        rfh_->RFHAddFile(sourceFile, storedName, packed);
        if (!storedFolder.empty()) rfh_->SetFilePath(fileCount_ + 1, storedFolder);
        ++fileCount_;
        rows_.push_back(MakeRow(fileCount_));
        ui_.ListRowsAppended(fileCount_, 1);
        ui_.SetPanel(Panel::Count, std::to_string(fileCount_) + " Files");
        return true;
    } catch (const std::exception& e) {
        why = e.what();
        return false;
    }
}

// One file of an add command. Returns true when an entry was appended.
bool mVarnokEngine::AddOneFile(const std::string& sourceFile, const std::string& filePath,
                               std::vector<std::string>& failures, const PayloadWriter& writePayload) {
    ui_.SetPanel(Panel::Message, "Adding file: " + StripPath(sourceFile) + " please wait...");
    std::error_code ec;
    const auto length = fs::file_size(sourceFile, ec);
    if (ec || !fs::is_regular_file(sourceFile, ec)) {
        failures.push_back(sourceFile + ": it is not a file that can be read");
        return false;
    }
    if (length <= 2) {
        ui_.ShowMessage("Can't add a empty file.", kFileDescription, MessageIcon::Critical, MessageButtons::Ok);
        ++problems_;
        return false;
    }
    if (isBag_) {
        failures.push_back(sourceFile + ": files can't be added to a BAG archive");
        return false;
    }
    std::string why;
    if (!AppendEntry(sourceFile, filePath, why, writePayload)) {
        failures.push_back(sourceFile + ": " + why);
        return false;
    }
    return true;
}

void mVarnokEngine::FinishAdding(std::vector<std::string>& failures) {
    if (!isBag_) {
        try {
            SaveAddedEntries();
        } catch (const std::exception& e) {
            failures.push_back(std::string("the index could not be saved, so nothing was added: ") + e.what());
            TryStep([&] { ResyncWithDisk(); });
        }
    }
    TryStep([&] { ApplyCommandState(); });
    TryStep([&] { ShowArchiveSize(false); });
    ui_.SetPanel(Panel::Message, "Done");
    ReportFailures("These files could not be added:", failures);
}

void mVarnokEngine::AddFileToArchive(const std::string& sourceFile, const std::string& filePath) {
    if (RefuseEdit()) return;
    std::vector<std::string> failures;
    // A file refused as empty has had its message, and nothing else changes:
    // panel 1 keeps naming it.
    if (!AddOneFile(sourceFile, filePath, failures) && failures.empty()) return;
    FinishAdding(failures);
}

void mVarnokEngine::BrowseAndAddFile() {
    const std::string chosen = ui_.OpenFileDialog("All Files (*.*)|*.*");
    if (!chosen.empty()) AddFileToArchive(chosen, "");
}

void mVarnokEngine::AddFiles(const std::vector<std::string>& files, const std::string& filePath, bool zeroBasedProgress) {
    std::vector<std::string> failures;
    PayloadsAhead ahead(files, isBag_ ? 0 : WorkerPool::DefaultWorkers(), archivePath_, rfd_->RFDFileName(), ui_);
    auto lastSave = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < files.size(); ++i) {
        const PayloadWriter write = [&, i](std::int32_t offset) {
            return rfd_->RFDWritePayload(offset, ahead.Take(i), ReplacementFile::Sync::ProcessSafe);
        };
        if (AddOneFile(files[i], filePath, failures, write) && !isBag_ &&
            std::chrono::steady_clock::now() - lastSave >= kIndexSaveInterval) {
            TryStep([&] { SaveAddedEntries(); });
            lastSave = std::chrono::steady_clock::now();
        }
        ahead.Advance(i + 1);
        const auto count = static_cast<std::int64_t>(files.size());
        ui_.UpdateProgress(static_cast<std::int64_t>(i) + (zeroBasedProgress ? 0 : 1), count);
        ui_.Yield();
    }
    FinishAdding(failures);
}

void mVarnokEngine::AddDroppedFiles(const std::vector<std::string>& files) {
    if (files.empty() || RefuseEdit()) return;
    ui_.ShowProgress();
    AddFiles(files, "", false);
    ui_.HideProgress();
}

void mVarnokEngine::AddDirectoryToArchive(const std::string& sourceDirectory, const std::string& filePath) {
    if (RefuseEdit()) return;
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::directory_iterator it(sourceDirectory, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (it->is_regular_file(kind)) files.push_back(it->path().string());
    }
    if (ec && files.empty() && !fs::is_directory(sourceDirectory)) {
        Report("The directory " + sourceDirectory + " can't be read: " + ec.message(), MessageIcon::Critical);
        return;
    }
    std::sort(files.begin(), files.end());
    if (files.empty()) {
        ui_.ShowMessage("There are no files in the selected directory.", kFileDescription, MessageIcon::Critical,
                        MessageButtons::Ok);
        TryStep([&] { ApplyCommandState(); });
        return;
    }
    ui_.DisableInterface();
    if (!isBag_) {
        ui_.ShowProgress();
        AddFiles(files, filePath, true);
        ui_.HideProgress();
    } else {
        std::vector<std::string> failures{"files can't be added to a BAG archive"};
        FinishAdding(failures);
    }
    ui_.EnableInterface();
    TryStep([&] { ApplyCommandState(); });
}

// The command set for the open archive's kind and entry count.
void mVarnokEngine::ApplyCommandState() {
    if (readOnly_) {
        ui_.EnableReadOnly();
    } else if (fileCount_ == 0) {
        ui_.EnableAdd();
    } else if (isBag_) {
        ui_.EnableAllBAG();
    } else {
        ui_.EnableAll();
    }
}

void mVarnokEngine::RenumberRows(int from) {
    for (int k = std::max(from, 1); k <= RowCount(); ++k) {
        std::string number = std::to_string(k);
        if (rows_[static_cast<std::size_t>(k - 1)][Column::FileNr] == number) continue;
        rows_[static_cast<std::size_t>(k - 1)][Column::FileNr] = std::move(number);
        ui_.ListRowChanged(k);
    }
}

// Removes the entries (numbers in descending order) from both files at once: the
// data file is streamed once without their payloads and the index saved once, and
// the two replace the originals together. On failure nothing changes on disk and
// the user is told why.
bool mVarnokEngine::RemoveEntries(const std::vector<std::int32_t>& numbers) {
    std::vector<RFDBlock> blocks;
    blocks.reserve(numbers.size());
    for (std::int32_t n : numbers) blocks.push_back({rfh_->GetOffSet(n), rfh_->GetPackedSize(n)});
    std::sort(blocks.begin(), blocks.end(), [](const RFDBlock& a, const RFDBlock& b) { return a.OffSet < b.OffSet; });
    for (std::size_t i = 1; i < blocks.size(); ++i) {
        if (static_cast<std::int64_t>(blocks[i - 1].OffSet) + blocks[i - 1].Length > blocks[i].OffSet) {
            Report("These entries share data in the archive, so they can't be removed apart. Nothing was removed.");
            return false;
        }
    }
    const fs::path dataPath = rfd_->RFDFileName();
    try {
        PairCommit(archivePath_, dataPath)
            .Commit([&](ReplacementFile& out) { rfd_->RFDWriteWithout(blocks, out); },
                    [&](const fs::path& stagedIndex) {
                        rfh_->RFHRemoveFiles(numbers);
                        rfh_->RFHSave(stagedIndex);
                    });
        return true;
    } catch (const std::exception& e) {
        Report(std::string("The files could not be removed; the archive is unchanged.\n\n") + e.what());
        TryStep([&] { ResyncWithDisk(); });
        return false;
    }
}

// The list hears of each row in turn, from the highest number down, so that every
// number it is told is the row's number at that moment; the rows themselves then
// go in one pass, which keeps a batch of hundreds from moving every row below it
// once per removed row. Since removals run from the highest number down, row n
// at its turn is still row n of the table as it was.
void mVarnokEngine::RemoveRows(const std::vector<std::int32_t>& numbersDescending) {
    std::vector<bool> gone(rows_.size(), false);
    int shown = RowCount();
    for (std::int32_t n : numbersDescending) {
        if (n < 1 || n > shown || gone[static_cast<std::size_t>(n - 1)]) continue;
        gone[static_cast<std::size_t>(n - 1)] = true;
        --shown;
        ui_.ListRowRemoved(n);
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (gone[i]) continue;
        if (kept != i) rows_[kept] = std::move(rows_[i]);
        ++kept;
    }
    rows_.resize(kept);
    fileCount_ = rfh_->GetFileCount();
}

void mVarnokEngine::AfterRemoval() {
    TryStep([&] { ui_.SetPanel(Panel::Count, std::to_string(fileCount_) + " Files"); });
    if (fileCount_ == 0) {
        rows_.clear();
        ui_.ListReset();
        ui_.EnableAdd();
    }
    TryStep([&] { ShowArchiveSize(false); });
}

void mVarnokEngine::RefuseBagRemoval() {
    Report("This function is not availible in this beta yet!", MessageIcon::Critical, appTitle_);
}

void mVarnokEngine::RemoveFileFromArchive(std::int32_t fileNr, bool renumber) {
    if (RefuseEdit()) return;
    if (isBag_) {
        RefuseBagRemoval();
    } else if (fileNr >= 1 && fileNr <= fileCount_) {
        ui_.SetPanel(Panel::Message, "Removing file: " + StripPath(Row(fileNr)[Column::Filename]) + " please wait...");
        if (RemoveEntries({fileNr})) {
            RemoveRows({fileNr});
            if (renumber) RenumberRows(fileNr);
        }
    }
    AfterRemoval();
}

void mVarnokEngine::RemoveBatch(const std::vector<std::int32_t>& numbersDescending) {
    ui_.SetListVisible(false);
    ui_.ShowProgress();
    if (isBag_) {
        if (!numbersDescending.empty()) RefuseBagRemoval();
    } else if (!numbersDescending.empty()) {
        std::int64_t done = 0;
        for (std::int32_t n : numbersDescending) {
            ui_.SetPanel(Panel::Message, "Removing file: " + StripPath(Row(n)[Column::Filename]) + " please wait...");
            ui_.UpdateProgress(++done, static_cast<std::int64_t>(numbersDescending.size()));
        }
        if (RemoveEntries(numbersDescending)) {
            RemoveRows(numbersDescending);
            RenumberRows(numbersDescending.back());
        }
    }
    AfterRemoval();
    ui_.SetPanel(Panel::Message, "Done");
    ui_.SetListVisible(true);
    ui_.HideProgress();
}

void mVarnokEngine::RemoveSelectedFiles() {
    if (RefuseEdit()) return;
    std::vector<std::int32_t> numbers;
    for (int i = std::min<int>(fileCount_, RowCount()); i >= 1; --i) {
        if (ui_.IsRowSelected(i)) numbers.push_back(i);
    }
    RemoveBatch(numbers);
}

void mVarnokEngine::RemoveDirectoryFromArchive(const std::string& filePath) {
    if (RefuseEdit()) return;
    std::vector<std::int32_t> numbers;
    for (int i = std::min<int>(fileCount_, RowCount()); i >= 1; --i) {
        if (Row(i)[Column::Path] == filePath) numbers.push_back(i);
    }
    RemoveBatch(numbers);
}

void mVarnokEngine::RemoveAllFiles() {
    if (RefuseEdit()) return;
    const MessageAnswer answer =
        ui_.ShowMessage("This will remove all files inside this archive, are you sure you want to do this?",
                        kFileDescription, MessageIcon::Question, MessageButtons::YesNo);
    if (answer == MessageAnswer::Yes) {
        try {
            if (isBag_) {
                bag_->BAGCreate(archivePath_);
            } else {
                // The index is emptied first: an empty index over an old data file is
                // a consistent (empty) archive, the other order would not be.
                WriteFileAtomically(archivePath_, std::span<const std::uint8_t>());
                WriteFileAtomically(rfd_->RFDFileName(), std::span<const std::uint8_t>());
                rfh_->RFHRefresh();
            }
            rows_.clear();
            ui_.ListReset();
            fileCount_ = 0;
            ui_.SetPanel(Panel::Count, "0 Files");
            TryStep([&] { ShowArchiveSize(false); });
        } catch (const std::exception& e) {
            Report(std::string("The archive could not be emptied.\n\n") + e.what());
            if (!isBag_) TryStep([&] { ResyncWithDisk(); });
        }
    }
    if (rows_.empty()) ui_.EnableAdd();
}

}  // namespace varnok
