// Adding files to the open archive and removing entries from it.
#include <algorithm>
#include <chrono>
#include <deque>
#include <future>
#include <system_error>

#include "engine/Cancelling.h"
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

// The index is saved after every added file, but reaches the disk itself (past
// the page cache, so that a power cut keeps it) at most this often.
constexpr auto kDurableSaveInterval = std::chrono::seconds(2);

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
    PayloadsAhead(const std::vector<std::string>& files, unsigned workers, fs::path index, fs::path data, EngineUi& ui)
        : files_(files),
          index_(std::move(index)),
          data_(std::move(data)),
          ui_(ui),
          pool_(workers),
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
    rfh_->RFHOpen(indexPath_);
    fileCount_ = rfh_->GetFileCount();
    rows_.clear();
    for (std::int32_t n = 1; n <= fileCount_; ++n) rows_.push_back(MakeRow(n));
    ui_.ListReset();
    ui_.ListRowsAppended(1, fileCount_);
    ui_.SetPanel(Panel::Count, std::to_string(fileCount_) + " Files");
}

void mVarnokEngine::SaveIndex(EditPermit& permit, ReplacementFile::Sync sync) {
    permit.Confirm(indexPath_);
    rfh_->RFHSave(indexPath_, sync);
}

// The payloads an add wrote reach the disk before the index that names them.
void mVarnokEngine::SaveAddedEntries(EditPermit& permit) {
    rfd_->RFDFlush();
    SaveIndex(permit);
}

// Cuts off what an add left after the last entry: a payload whose file failed
// half way, or unused bytes the user agreed to write over.
void mVarnokEngine::TrimDataFile(EditPermit& permit) {
    const fs::path data = rfd_->RFDFileName();
    const auto keep = static_cast<std::uint64_t>(rfh_->RFHNextOffSet());
    if (guard_.Files().size() < 2 || guard_.Files()[1]->Now().size <= keep) return;
    permit.Confirm(data);
    TruncateFile(data, keep);
}

// By what the file is, so that a link to the index or the data file counts too.
bool mVarnokEngine::IsArchiveFile(const std::string& file) const { return guard_.Holding() && HeldFile::IsHeld(file); }

// Appends one file and saves the index; returns false (with the reason in `why`)
// when it was not added. The payload is written before the index names it, so a
// kill in between leaves only unused bytes at the data file's end, which the next
// open cuts off.
bool mVarnokEngine::AppendEntry(EditPermit& permit, const std::string& sourceFile, const std::string& filePath,
                                std::string& why, const PayloadWriter& writePayload) {
    try {
        if (fileCount_ >= kMaxEntries) {
            why = "the archive already holds " + std::to_string(kMaxEntries) + " entries, the most an index can hold";
            return false;
        }
        const std::string storedName = StoredText(StripPath(sourceFile), "its name");
        const std::string storedFolder = StoredFolderFromText(filePath);
        const std::int32_t offset = rfh_->RFHNextOffSet();
        permit.Confirm(rfd_->RFDFileName());
        // The payload is flushed to disk only before a durable save of the index.
        std::int32_t packed = 0;
        packed = writePayload ? writePayload(offset)
                              : rfd_->RFDWritePayload(offset, cRFD::RFDPreparePayload(sourceFile, true),
                                                      ReplacementFile::Sync::ProcessSafe);
        rfh_->RFHAddFile(sourceFile, storedName, packed);
        if (!storedFolder.empty()) rfh_->SetFilePath(fileCount_ + 1, storedFolder);
        try {
            SaveIndex(permit, ReplacementFile::Sync::ProcessSafe);
        } catch (...) {
            rfh_->RFHRemoveFiles({fileCount_ + 1});  // the table stays what the disk says
            throw;
        }
        ++fileCount_;
        ++appendedSinceFinish_;
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
bool mVarnokEngine::AddOneFile(EditPermit& permit, const std::string& sourceFile, const std::string& filePath,
                               std::vector<std::string>& failures, const PayloadWriter& writePayload) {
    ui_.SetPanel(Panel::Message, "Adding file: " + StripPath(sourceFile) + " please wait...");
    std::error_code ec;
    const auto length = fs::file_size(sourceFile, ec);
    if (ec || !fs::is_regular_file(sourceFile, ec)) {
        failures.push_back(sourceFile + ": it is not a file that can be read");
        return false;
    }
    if (IsArchiveFile(sourceFile)) {
        failures.push_back(sourceFile + ": it is a file of this archive itself, so it was not added");
        return false;
    }
    if (length <= 2) {
        failures.push_back(SmallFileRefusal(sourceFile));
        return false;
    }
    std::string why;
    if (!AppendEntry(permit, sourceFile, filePath, why, writePayload)) {
        failures.push_back(sourceFile + ": " + why);
        return false;
    }
    return true;
}

void mVarnokEngine::FinishAdding(EditPermit& permit, std::vector<std::string>& failures) {
    const int appended = std::exchange(appendedSinceFinish_, 0);
    // The last save reaches the disk itself; an add that appended nothing never
    // touched the index and has nothing to save.
    if (!isBag_ && appended > 0) {
        try {
            SaveAddedEntries(permit);
        } catch (const std::exception& e) {
            failures.push_back(std::string("the index could not be saved: ") + e.what());
            permit.Failed();
            TryStep([&] { ResyncWithDisk(); });
        }
    }
    if (!isBag_ && TryStep([&] { TrimDataFile(permit); }))
        TryStep([&] { AddMarker::End(std::exchange(addMarker_, {})); });
    TryStep([&] { ApplyCommandState(); });
    TryStep([&] { ShowArchiveSize(false); });
    ui_.SetPanel(Panel::Message, failures.empty() ? "Done" : "Done, but some files were not added.");
    // A partial add says what it did: the files named in the report are the ones
    // that are not in the archive.
    if (appended > 0 && !failures.empty()) {
        ReportFailures(std::to_string(appended) + (appended == 1 ? " file was" : " files were") +
                           " added; these could not be added:",
                       failures);
    } else {
        ReportFailures("These files could not be added:", failures);
    }
}

void mVarnokEngine::AddFileToArchive(const std::string& sourceFile, const std::string& filePath) {
    if (IsArchiveFile(sourceFile)) {
        Report("\"" + sourceFile + "\" is a file of this archive itself, so it can't be added to it.");
        return;
    }
    std::optional<EditPermit> permit = AdmitEdit(true);
    if (!permit) return;
    const AddPlan plan = PlanAdds({sourceFile}, filePath);
    std::vector<std::string> failures;
    if (isBag_) {
        if (AddToBag(*permit, plan, failures) == 0 && failures.empty()) {
            ui_.SetPanel(Panel::Message, "Nothing was added.");
            return;
        }
        FinishAdding(*permit, failures);
        return;
    }
    if (!plan.replacements.empty()) {
        ReplaceEntries(*permit, plan.replacements, failures);
        FinishAdding(*permit, failures);
        return;
    }
    if (plan.appends.empty()) {
        ui_.SetPanel(Panel::Message, "Nothing was added.");
        return;
    }
    addMarker_ = AddMarker(rfd_->RFDFileName()).Begin(static_cast<std::uint64_t>(rfh_->RFHNextOffSet()));
    AddOneFile(*permit, sourceFile, filePath, failures);
    FinishAdding(*permit, failures);
}

void mVarnokEngine::BrowseAndAddFile() {
    // A BAG archive takes sounds only; the dialog offers them first.
    const std::vector<std::string> chosen =
        ui_.OpenFilesDialog(isBag_ ? "Sounds (*.wav; *.mp3)|*.wav; *.mp3|All Files (*.*)|*.*" : "All Files (*.*)|*.*");
    if (chosen.size() == 1) AddFileToArchive(chosen.front(), "");
    if (chosen.size() > 1) AddFilesToArchive(chosen, "");
}

void mVarnokEngine::AddFiles(EditPermit& permit, const std::vector<std::string>& files, const std::string& filePath,
                             bool zeroBasedProgress, std::vector<std::string>& failures) {
    addMarker_ = AddMarker(rfd_->RFDFileName()).Begin(static_cast<std::uint64_t>(rfh_->RFHNextOffSet()));
    PayloadsAhead ahead(files, WorkerPool::DefaultWorkers(), indexPath_, rfd_->RFDFileName(), ui_);
    auto lastDurableSave = std::chrono::steady_clock::now();
    const auto count = static_cast<std::int64_t>(files.size());
    std::int64_t done = 0;
    bool cancelled = false;
    // Every added file has had its index saved, so stopping between two files
    // leaves an archive that lists exactly what was added.
    for (std::size_t i = 0; i < files.size() && !cancelled; ++i) {
        const PayloadWriter write = [&, i](std::int32_t offset) {
            return rfd_->RFDWritePayload(offset, ahead.Take(i), ReplacementFile::Sync::ProcessSafe);
        };
        if (AddOneFile(permit, files[i], filePath, failures, write) &&
            std::chrono::steady_clock::now() - lastDurableSave >= kDurableSaveInterval) {
            TryStep([&] { SaveAddedEntries(permit); });
            lastDurableSave = std::chrono::steady_clock::now();
        }
        ahead.Advance(i + 1);
        ui_.UpdateProgress(static_cast<std::int64_t>(i) + (zeroBasedProgress ? 0 : 1), count);
        ui_.Yield();
        ++done;
        cancelled = ui_.CancelRequested();
    }
    FinishAdding(permit, failures);
    if (cancelled) ui_.SetPanel(Panel::Message, CancelledText(done, count, "files added"));
}

// Replacements first: they rewrite the data file whole, and the new entries are
// then appended after it as one add.
void mVarnokEngine::AddBatch(EditPermit& permit, const std::vector<std::string>& files, const std::string& filePath,
                             bool zeroBasedProgress) {
    const AddPlan plan = PlanAdds(files, filePath);
    std::vector<std::string> failures;
    if (isBag_) {
        AddToBag(permit, plan, failures);
        FinishAdding(permit, failures);
        return;
    }
    if (!plan.replacements.empty()) ReplaceEntries(permit, plan.replacements, failures);
    AddFiles(permit, plan.appends, filePath, zeroBasedProgress, failures);
}

void mVarnokEngine::AddFilesToArchive(const std::vector<std::string>& files, const std::string& filePath) {
    if (files.empty()) return;
    std::optional<EditPermit> permit = AdmitEdit(true);
    if (!permit) return;
    ui_.ShowProgress();
    AddBatch(*permit, files, filePath, false);
    ui_.HideProgress();
}

namespace {

bool IsSoundFile(const fs::path& file) {
    const std::string extension = UpperCaseASCII(file.extension().string());
    return extension == ".WAV" || extension == ".MP3";
}

// The files directly inside a folder, in name order; for a BAG archive only its
// sound files (WAVE and MP3). Empty with `ec` set when it can't be read.
std::vector<std::string> FilesIn(const fs::path& folder, bool soundsOnly, std::error_code& ec) {
    std::vector<std::string> files;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code kind;
        if (it->is_regular_file(kind) && (!soundsOnly || IsSoundFile(it->path()))) {
            files.push_back(it->path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

void mVarnokEngine::AddDroppedFiles(const std::vector<std::string>& dropped, const std::string& storedFolder) {
    std::vector<std::string> files;
    for (const std::string& item : dropped) {
        std::error_code ec;
        if (!fs::is_directory(item, ec)) {
            files.push_back(item);
            continue;
        }
        const std::vector<std::string> inside = FilesIn(item, isBag_, ec);
        files.insert(files.end(), inside.begin(), inside.end());
    }
    AddFilesToArchive(files, isBag_ ? std::string() : storedFolder);
}

void mVarnokEngine::AddDirectoryToArchive(const std::string& sourceDirectory, const std::string& filePath) {
    if (RefuseEdit()) return;
    std::error_code ec;
    const std::vector<std::string> files = FilesIn(sourceDirectory, isBag_, ec);
    if (ec && files.empty() && !fs::is_directory(sourceDirectory)) {
        Report("The directory " + sourceDirectory + " can't be read: " + ec.message(), MessageIcon::Critical);
        return;
    }
    if (files.empty()) {
        ui_.ShowMessage(isBag_ ? "There are no WAVE or MP3 files in the selected directory."
                               : "There are no files in the selected directory.",
                        kFileDescription, MessageIcon::Critical, MessageButtons::Ok);
        TryStep([&] { ApplyCommandState(); });
        return;
    }
    std::optional<EditPermit> permit = AdmitEdit(true);
    if (!permit) return;
    ui_.DisableInterface();
    ui_.ShowProgress();
    AddBatch(*permit, files, filePath, true);
    ui_.HideProgress();
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

namespace {

struct ByteRange {
    std::int64_t begin = 0, end = 0;
};

// The ranges sorted and merged where they touch or overlap; empty ones dropped.
std::vector<ByteRange> Merged(std::vector<ByteRange> ranges) {
    std::erase_if(ranges, [](const ByteRange& r) { return r.end <= r.begin; });
    std::sort(ranges.begin(), ranges.end(), [](const ByteRange& a, const ByteRange& b) { return a.begin < b.begin; });
    std::vector<ByteRange> merged;
    for (const ByteRange& r : ranges) {
        if (!merged.empty() && r.begin <= merged.back().end) {
            merged.back().end = std::max(merged.back().end, r.end);
        } else {
            merged.push_back(r);
        }
    }
    return merged;
}

// The bytes of `removed` that no range of `kept` uses (both merged).
std::vector<ByteRange> Without(const std::vector<ByteRange>& removed, const std::vector<ByteRange>& kept) {
    std::vector<ByteRange> cut;
    auto k = kept.begin();
    for (ByteRange r : removed) {
        while (k != kept.end() && k->end <= r.begin) ++k;
        for (auto j = k; j != kept.end() && j->begin < r.end; ++j) {
            if (j->begin > r.begin) cut.push_back({r.begin, j->begin});
            r.begin = std::max(r.begin, j->end);
        }
        if (r.begin < r.end) cut.push_back(r);
    }
    return cut;
}

// How many cut bytes lie before `offset`.
std::int64_t CutBefore(const std::vector<ByteRange>& cut, std::int64_t offset) {
    std::int64_t bytes = 0;
    for (const ByteRange& c : cut) {
        if (c.begin >= offset) break;
        bytes += std::min(c.end, offset) - c.begin;
    }
    return bytes;
}

}  // namespace

// Removes the entries from both files at once: the data file is streamed once
// without the bytes that only removed entries used, and the index saved once, and
// the two replace the originals together. Bytes a kept entry still uses stay, even
// where a removed entry shared them, and every kept entry moves down by exactly
// the bytes cut before it, so it extracts what it extracted before. On failure
// nothing changes on disk and the user is told why.
bool mVarnokEngine::RemoveEntries(EditPermit& permit, const std::vector<std::int32_t>& numbers) {
    if (isBag_) return RemoveBagEntries(permit, numbers);
    std::vector<bool> removed(static_cast<std::size_t>(fileCount_) + 1, false);
    for (std::int32_t n : numbers) removed.at(static_cast<std::size_t>(n)) = true;
    std::vector<ByteRange> gone, kept;
    for (std::int32_t n = 1; n <= fileCount_; ++n) {
        const std::int64_t begin = rfh_->GetOffSet(n);
        (removed[static_cast<std::size_t>(n)] ? gone : kept).push_back({begin, begin + rfh_->GetPackedSize(n)});
    }
    const std::vector<ByteRange> cut = Without(Merged(gone), Merged(kept));
    std::vector<RFDBlock> blocks;
    for (const ByteRange& c : cut) {
        blocks.push_back({static_cast<std::int32_t>(c.begin), static_cast<std::int32_t>(c.end - c.begin)});
    }
    std::vector<std::int32_t> newOffsets;
    for (std::int32_t n = 1; n <= fileCount_; ++n) {
        if (removed[static_cast<std::size_t>(n)]) continue;
        const std::int64_t offset = rfh_->GetOffSet(n);
        newOffsets.push_back(static_cast<std::int32_t>(offset - CutBefore(cut, offset)));
    }
    const fs::path dataPath = rfd_->RFDFileName();
    try {
        permit.Confirm(indexPath_);
        permit.Confirm(dataPath);
        PairCommit(indexPath_, dataPath)
            .Commit([&](ReplacementFile& out) { rfd_->RFDWriteWithout(blocks, out); },
                    [&](ReplacementFile& stagedIndex) {
                        rfh_->RFHRemoveFiles(numbers);
                        for (std::size_t i = 0; i < newOffsets.size(); ++i) {
                            rfh_->SetOffSet(static_cast<std::int32_t>(i) + 1, newOffsets[i]);
                        }
                        rfh_->RFHSave(stagedIndex);
                    });
        return true;
    } catch (const std::exception& e) {
        permit.Failed();
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
    fileCount_ = isBag_ ? bag_->BAGGetFileCount() : rfh_->GetFileCount();
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

// Asks once before a removal, naming the entries that go; No is the default.
bool mVarnokEngine::ConfirmRemoval(const std::vector<std::int32_t>& numbersDescending) {
    if (!askBeforeRemoving_) return true;
    const std::size_t count = numbersDescending.size();
    const std::string what = count == 1 ? "1 entry" : std::to_string(count) + " entries";
    std::vector<std::string> names;
    for (auto n = numbersDescending.rbegin(); n != numbersDescending.rend(); ++n) {
        names.push_back(Row(*n)[Column::Path] + Row(*n)[Column::Filename]);
    }
    const bool yes =
        ui_.ShowMessage("Remove " + what + " from " + StripPath(archivePath_) + "?\n\n" + NameLines(names),
                        kFileDescription, MessageIcon::Question, MessageButtons::YesNoDefaultNo) == MessageAnswer::Yes;
    if (!yes) ui_.SetPanel(Panel::Message, "Nothing was removed.");
    return yes;
}

void mVarnokEngine::RemoveFileFromArchive(std::int32_t fileNr, bool renumber) {
    if (RefuseEdit()) return;
    if (fileNr >= 1 && fileNr <= fileCount_) {
        std::optional<EditPermit> permit = AdmitEdit(false);
        if (!permit) return;
        ui_.SetPanel(Panel::Message, "Removing file: " + StripPath(Row(fileNr)[Column::Filename]) + " please wait...");
        if (RemoveEntries(*permit, {fileNr})) {
            RemoveRows({fileNr});
            if (renumber) RenumberRows(fileNr);
        }
    }
    AfterRemoval();
}

void mVarnokEngine::RemoveBatch(EditPermit& permit, const std::vector<std::int32_t>& numbersDescending) {
    ui_.SetListVisible(false);
    ui_.ShowProgress();
    bool cancelled = false;
    // The entries go in one commit, so a cancel can stop the removal only while
    // it is being prepared; once the commit starts it runs to the end.
    const auto total = static_cast<std::int64_t>(numbersDescending.size());
    std::int64_t done = 0;
    for (std::int32_t n : numbersDescending) {
        ui_.SetPanel(Panel::Message, "Removing file: " + StripPath(Row(n)[Column::Filename]) + " please wait...");
        ui_.UpdateProgress(++done, total);
        ui_.Yield();
        if (ui_.CancelRequested()) {
            cancelled = true;
            break;
        }
    }
    const bool removed = !cancelled && RemoveEntries(permit, numbersDescending);
    if (removed) {
        RemoveRows(numbersDescending);
        RenumberRows(numbersDescending.back());
    }
    AfterRemoval();
    ui_.SetPanel(Panel::Message,
                 removed     ? "Done"
                 : cancelled ? CancelledText(0, static_cast<std::int64_t>(numbersDescending.size()), "files removed")
                             : "Nothing was removed.");
    ui_.SetListVisible(true);
    ui_.HideProgress();
}

// The shared path of the removal commands: nothing to remove is said so, and
// anything else is asked once and passes the edit guard.
void mVarnokEngine::RemoveNumbered(const std::vector<std::int32_t>& numbersDescending, const std::string& none) {
    if (numbersDescending.empty()) {
        ui_.SetPanel(Panel::Message, none);
        return;
    }
    if (!ConfirmRemoval(numbersDescending)) return;
    std::optional<EditPermit> permit = AdmitEdit(false);
    if (!permit) return;
    RemoveBatch(*permit, numbersDescending);
}

void mVarnokEngine::RemoveSelectedFiles() {
    if (RefuseEdit()) return;
    std::vector<std::int32_t> numbers;
    for (int i = std::min<int>(fileCount_, RowCount()); i >= 1; --i) {
        if (ui_.IsRowSelected(i)) numbers.push_back(i);
    }
    RemoveNumbered(numbers, "No files selected: nothing was removed.");
}

void mVarnokEngine::RemoveDirectoryFromArchive(const std::string& filePath) {
    if (RefuseEdit()) return;
    std::vector<std::int32_t> numbers;
    for (int i = std::min<int>(fileCount_, RowCount()); i >= 1; --i) {
        if (Row(i)[Column::Path] == filePath) numbers.push_back(i);
    }
    RemoveNumbered(numbers, "No entries are stored in \"" + filePath + "\": nothing was removed.");
}

void mVarnokEngine::RemoveAllFiles() {
    if (RefuseEdit()) return;
    const MessageAnswer answer =
        ui_.ShowMessage("This will remove all files inside this archive, are you sure you want to do this?",
                        kFileDescription, MessageIcon::Question, MessageButtons::YesNoDefaultNo);
    if (answer == MessageAnswer::Yes) {
        std::optional<EditPermit> permit = AdmitEdit(false);
        if (!permit) return;
        try {
            if (isBag_) {
                permit->Confirm(indexPath_);
                bag_->BAGCreate(indexPath_);
            } else {
                // The index is emptied first: an empty index over an old data file is
                // a consistent (empty) archive, the other order would not be.
                permit->Confirm(indexPath_);
                WriteFileAtomically(indexPath_, std::span<const std::uint8_t>());
                permit->Confirm(rfd_->RFDFileName());
                WriteFileAtomically(rfd_->RFDFileName(), std::span<const std::uint8_t>());
                rfh_->RFHRefresh();
            }
            rows_.clear();
            ui_.ListReset();
            fileCount_ = 0;
            ui_.SetPanel(Panel::Count, "0 Files");
            TryStep([&] { ShowArchiveSize(false); });
        } catch (const std::exception& e) {
            permit->Failed();
            Report(std::string("The archive could not be emptied.\n\n") + e.what());
            if (!isBag_) TryStep([&] { ResyncWithDisk(); });
        }
    }
    if (rows_.empty()) ui_.EnableAdd();
}

}  // namespace varnok
