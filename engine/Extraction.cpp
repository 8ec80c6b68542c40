// Taking entries out of the open archive: the selected ones, all, or one stored folder's.
#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <set>
#include <string_view>
#include <system_error>
#include <unordered_set>

#include "engine/Cancelling.h"
#include "engine/ExtractionTarget.h"
#include "engine/TextRules.h"
#include "engine/WorkerPool.h"
#include "engine/mVarnokEngine.h"
#include "formats/cBAG.h"
#include "formats/cRFD.h"
#include "formats/cRFH.h"
#include "formats/io/File.h"
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

// What an extract run did with the entries it took on: each was written, left
// alone because its target existed and was not to be replaced, or failed.
struct ExtractionTally {
    std::int64_t takenOn = 0;
    std::int64_t notReplaced = 0;
};

// The last status of an extract run: the command's own text only when every entry
// it took on was written, else how many were and why the others were not.
std::string FinalStatus(const std::string& allDone, const ExtractionTally& tally, std::size_t failures) {
    const auto failed = static_cast<std::int64_t>(failures);
    if (tally.notReplaced == 0 && failed == 0) return allDone;
    const std::int64_t written = std::max<std::int64_t>(tally.takenOn - tally.notReplaced - failed, 0);
    std::string text = "Extracted " + std::to_string(written) + " of " + std::to_string(tally.takenOn) +
                       (tally.takenOn == 1 ? " file; " : " files; ");
    if (tally.notReplaced > 0) text += std::to_string(tally.notReplaced) + " not replaced";
    if (tally.notReplaced > 0 && failed > 0) text += ", ";
    if (failed > 0) text += std::to_string(failed) + " could not be extracted";
    return text;
}

// Extract-all and extract-directory of an archive whose table could not be read to
// its end have taken out only the entries before the damage or the limit.
std::string AllFilesExtracted(bool tableCut) {
    return tableCut ? "All listed files extracted; the index holds more that could not be read" : "All files extracted";
}

bool AnyRowSelected(const EngineUi& ui, int rowCount) {
    for (int row = 1; row <= rowCount; ++row) {
        if (ui.IsRowSelected(row)) return true;
    }
    return false;
}

// A hash of a path that is the same for every spelling of it in ASCII letter case.
std::size_t FoldedHash(std::string_view path) {
    std::size_t hash = 14695981039346656037ULL;  // FNV-1a
    for (const char c : path) {
        hash ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

// The extract steps of one command, run on the workers. Everything that decides
// what happens (whether a target exists, what the user answers, which folders are
// made) stays with the command on the UI thread, in entry order; only the writing
// of a decided file is handed over. An entry whose file, or a folder on its way,
// an unfinished step is still writing waits for that step first, so every check
// sees the disk exactly as the one-by-one run would. Failures keep entry order.
//
// Steps go to the workers in batches: while every worker is busy, decided steps
// gather until a batch holds kBatchSteps of them or kBatchBytes of payload, so a
// small entry does not cost a hand-over of its own; a worker that runs out of
// work gets the next step at once.
//
// Whether a BAG entry becomes a WAVE file is asked before its step starts, so a
// step never asks anything.
class ExtractionQueue {
public:
    ExtractionQueue(mVarnokEngine& engine, EngineUi& ui, std::vector<std::string>& failures)
        : engine_(engine),
          ui_(ui),
          failures_(failures),
          bagFile_(OpenBagFile(engine)),
          pool_(WorkerPool::DefaultWorkers()),
          limit_(pool_.Workers() * kBatchesPerWorker + 1) {}

    // Call before anything looks at the disk for entry n: its target, where it
    // would go in `folder` (with its separator), is still only a name.
    void WaitForWritersOf(const std::string& folder, std::int32_t n, bool keepStructure) {
        if (keys_.empty()) return;
        std::string path = folder;
        if (keepStructure && !engine_.IsBAG()) {
            std::string stored = engine_.Index().GetFilePath(n);
            if (!stored.empty() && stored.back() == '\\') stored.pop_back();
            std::replace(stored.begin(), stored.end(), '\\', '/');
            if (!stored.empty()) path += Win1252ToUtf8(stored) + "/";
        }
        path += Win1252ToUtf8(engine_.ExtractionName(n));
        if (!Conflicts(path, folder.size())) return;
        HandOverPending();
        while (!running_.empty() && Conflicts(path, folder.size())) RetireOldest();
    }

    // Whether the target exists; a symbolic link there may point at a file a step
    // is writing, so then every step finishes first.
    bool Exists(const fs::path& target) {
        std::error_code ec;
        const fs::file_status link = fs::symlink_status(target, ec);
        if (!fs::is_symlink(link)) return fs::exists(link);
        WaitForAll();
        return TargetExists(target);
    }

    // Extracts entry n to target: its folders now, its file on a worker.
    void Start(std::int32_t n, const fs::path& target) {
        // Each output folder is made once per command, not looked at again for
        // every entry that goes into it.
        try {
            const std::string_view path = target.native();
            const std::string_view parent = path.substr(0, path.rfind('/') + 1);
            if (folders_.count(parent) == 0) {
                CreateTargetFolders(target);
                folders_.emplace(parent);
            }
        } catch (const std::exception& e) {
            failures_.push_back(Shown(n) + e.what());
            return;
        }
        const std::size_t key = FoldedHash(target.native());
        keys_.insert(key);
        pending_.steps->push_back({n, target, engine_.TakeConversion(n), failures_.size()});
        pending_.keys.push_back(key);
        pending_.bytes += EntryBytes(n);
        RetireFinished();
        if (pending_.steps->size() >= kBatchSteps || pending_.bytes >= kBatchBytes || Starving()) HandOverPending();
    }

    // Waits for every step and leaves the failures in entry order.
    void Finish() {
        WaitForAll();
        MergeStepFailures();
    }

private:
    static constexpr unsigned kBatchesPerWorker = 4;
    static constexpr std::size_t kBatchSteps = 32;
    static constexpr std::uint64_t kBatchBytes = 1 << 20;
    static constexpr auto kPaintInterval = std::chrono::milliseconds(30);

    struct Step {
        std::int32_t n;
        fs::path target;
        bool convert;
        std::size_t slot;  // how many failures came before it
    };
    using Steps = std::vector<Step>;
    // What a batch's worker reports: each step that failed, by its place in the
    // batch, and why.
    using Failed = std::vector<std::pair<std::size_t, std::string>>;
    struct Batch {
        std::shared_ptr<Steps> steps = std::make_shared<Steps>();
        std::vector<std::size_t> keys;
        std::uint64_t bytes = 0;
        std::future<Failed> done;
    };

    // A BAG archive's file is opened once for all the steps; when it cannot be,
    // each step opens it and says what is wrong.
    static std::unique_ptr<const InputFile> OpenBagFile(const mVarnokEngine& engine) {
        if (!engine.IsBAG()) return nullptr;
        try {
            return engine.Bag().BAGOpenForExtraction();
        } catch (const std::exception&) {
            return nullptr;
        }
    }

    std::string Shown(std::int32_t n) const {
        return Win1252ToUtf8(engine_.IsBAG() ? engine_.Bag().BAGGetFileName(n)
                                             : engine_.Index().GetFilePath(n) + engine_.Index().GetFileName(n)) +
               ": ";
    }

    std::uint64_t EntryBytes(std::int32_t n) const {
        const std::int32_t size =
            engine_.IsBAG() ? engine_.Bag().BAGGetFileSize(n) : engine_.Index().GetOriginalSize(n);
        return static_cast<std::uint64_t>(std::max(size, 0));
    }

    // True while fewer batches are under way than there are workers to run them.
    bool Starving() const { return running_.size() < std::max(pool_.Workers(), 1U); }

    void HandOverPending() {
        if (pending_.steps->empty()) return;
        while (running_.size() >= limit_) RetireOldest();
        Batch batch = std::move(pending_);
        pending_ = Batch{};
        batch.done = pool_.Run([this, steps = std::shared_ptr<const Steps>(batch.steps)] { return Run(*steps); });
        running_.push_back(std::move(batch));
    }

    // On a worker: each step of a batch, whatever the others did.
    Failed Run(const Steps& steps) const {
        Failed failed;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const Step& step = steps[i];
            try {
                if (bagFile_) {
                    engine_.Bag().BAGExtractFile(step.n, step.target, step.convert, *bagFile_);
                } else {
                    engine_.ExtractEntry(step.n, step.target, step.convert);
                }
            } catch (const std::exception& e) {
                failed.emplace_back(i, e.what());
            }
        }
        return failed;
    }

    // True when a step not yet finished writes `path` or a folder of it below
    // the destination, whose name is `destinationLength` bytes long.
    bool Conflicts(const std::string& path, std::size_t destinationLength) const {
        if (keys_.count(FoldedHash(path)) != 0) return true;
        for (std::size_t cut = path.find('/', destinationLength); cut != std::string::npos;
             cut = path.find('/', cut + 1)) {
            if (keys_.count(FoldedHash(std::string_view(path).substr(0, cut))) != 0) return true;
        }
        return false;
    }

    void RetireFinished() {
        while (!running_.empty() &&
               running_.front().done.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
            RetireOldest();
        }
    }

    void WaitForAll() {
        HandOverPending();
        while (!running_.empty()) RetireOldest();
    }

    // Puts each step's failure in its place among those the command met itself.
    void MergeStepFailures() {
        if (stepFailures_.empty()) return;
        std::vector<std::string> merged;
        merged.reserve(failures_.size() + stepFailures_.size());
        std::size_t taken = 0;
        for (auto& [before, why] : stepFailures_) {
            for (; taken < before; ++taken) merged.push_back(std::move(failures_[taken]));
            merged.push_back(std::move(why));
        }
        for (; taken < failures_.size(); ++taken) merged.push_back(std::move(failures_[taken]));
        failures_ = std::move(merged);
        stepFailures_.clear();
    }

    // The window keeps painting while the oldest batch finishes.
    void RetireOldest() {
        Batch& batch = running_.front();
        while (batch.done.wait_for(kPaintInterval) != std::future_status::ready) ui_.Yield();
        try {
            for (const auto& [i, why] : batch.done.get()) {
                const Step& step = (*batch.steps)[i];
                stepFailures_.emplace_back(step.slot, Shown(step.n) + why);
            }
        } catch (const std::exception& e) {  // the batch never ran
            for (const Step& step : *batch.steps) stepFailures_.emplace_back(step.slot, Shown(step.n) + e.what());
        }
        for (const std::size_t key : batch.keys) keys_.erase(keys_.find(key));
        running_.pop_front();
    }

    mVarnokEngine& engine_;
    EngineUi& ui_;
    std::vector<std::string>& failures_;
    // The failures of steps, each with the number of failures that came before it;
    // batches finish in entry order, so these are in entry order too.
    std::vector<std::pair<std::size_t, std::string>> stepFailures_;
    Batch pending_;  // decided, not yet handed over
    std::deque<Batch> running_;
    // The folded hash of every target not yet written. Two paths that merely share
    // a hash make the later step wait for nothing worse than the earlier one.
    std::unordered_multiset<std::size_t> keys_;
    std::set<std::string, std::less<>> folders_;  // made by this command, with their separator
    std::unique_ptr<const InputFile> bagFile_;
    WorkerPool pool_;  // last: its threads stop before the steps they serve go
    std::size_t limit_;
};

}  // namespace

// Every extract command starts and ends with no decisions, so a "to all" answer
// holds for one command only.
class ConversionScope {
public:
    explicit ConversionScope(std::function<void()> reset) : reset_(std::move(reset)) { reset_(); }
    ~ConversionScope() { reset_(); }
    ConversionScope(const ConversionScope&) = delete;
    ConversionScope& operator=(const ConversionScope&) = delete;

private:
    std::function<void()> reset_;
};

void mVarnokEngine::ResetConversions() {
    conversions_.clear();
    modelsToAll_.reset();
    noToAll_ = false;
    if (bag_) bag_->BAGResetConvertAnswer();
}

bool mVarnokEngine::DecideConversion(std::int32_t n) {
    if (!isBag_) return DecideModelConversion(n);
    if (!bag_->BAGCanConvert(n)) return false;
    if (const auto known = conversions_.find(n); known != conversions_.end()) return known->second;
    // The question with Yes to All and No to All; set here, where it is asked, so it
    // is the one every extract command uses.
    bag_->SetConvertQuestion([this](const std::string& question) { return ui_.AskConvert(question, appTitle_); });
    const bool convert = bag_->BAGAskToConvert(n);
    conversions_[n] = convert;
    return convert;
}

bool mVarnokEngine::TakeConversion(std::int32_t n) {
    const bool convert = DecideConversion(n);
    conversions_.erase(n);
    return convert;
}

std::string mVarnokEngine::ExtractionName(std::int32_t n) {
    if (!DecideConversion(n)) return EntryFileName(n);
    return isBag_ ? bag_->BAGGetConvertedName(n) : modelexport::ConvertedModelName(EntryFileName(n), modelFormat_);
}

void mVarnokEngine::ExtractEntry(std::int32_t n, const fs::path& target) { ExtractEntry(n, target, TakeConversion(n)); }

void mVarnokEngine::ExtractEntry(std::int32_t n, const fs::path& target, bool convert) const {
    if (isBag_) {
        bag_->BAGExtractFile(n, target, convert);
        return;
    }
    if (convert) return ConvertModelEntry(n, target);
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
                                 std::vector<std::string>& failures) {
    const std::string name = ExtractionName(n);
    const std::string storedFolder = keepStructure ? EntryStoredFolder(n) : std::string();
    ExtractionTarget target = ResolveExtractionTarget(folder, storedFolder, name);
    if (!target.path) {
        // A BAG entry of a type without an extension has no name to show.
        const std::string shown = name.empty() ? "entry " + std::to_string(n) : Win1252ToUtf8(storedFolder + name);
        failures.push_back(shown + ": not extracted, because " + target.why + ".");
        conversions_.erase(n);
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
    const ConversionScope conversions([this] { ResetConversions(); });
    std::vector<std::string> failures;
    fs::path target = TargetIn(folder, n, false, failures);
    if (!target.empty() && !ExtractTo(n, target, failures)) target.clear();
    ReportFailures("The file could not be extracted:", failures);
    return target;
}

OverwriteAnswer mVarnokEngine::AskOverwrite(const std::string& fileName, const std::string& folder) {
    if (noToAll_) return OverwriteAnswer::No;
    const std::string question =
        fileName + " already exists in the directory: " + folder + " do you want to overwrite the existing file?";
    OverwriteAnswer answer = ui_.AskOverwrite(question, appTitle_);
    // Closing the question without an answer must never overwrite anything.
    if (answer == OverwriteAnswer::None) answer = OverwriteAnswer::No;
    overwriteAnswer_ = answer;
    // "No to All" keeps every existing file until the command ends.
    if (answer == OverwriteAnswer::NoToAll) {
        noToAll_ = true;
        answer = OverwriteAnswer::No;
    }
    return answer;
}

bool mVarnokEngine::OverwriteExisting(const std::string& fileName, const std::string& folder) {
    if (yesToAll_) return true;
    if (noToAll_) return false;
    const OverwriteAnswer answer = AskOverwrite(fileName, folder);  // a "No to All" sets noToAll_
    yesToAll_ = answer == OverwriteAnswer::YesToAll;
    return answer == OverwriteAnswer::Yes || answer == OverwriteAnswer::YesToAll;
}

void mVarnokEngine::ExtractSelectedFiles(bool askOverwrite) {
    if (RefuseWithoutPayloads()) return;
    const ConversionScope conversions([this] { ResetConversions(); });
    if (selectedCount_ == 1) {
        int row = ui_.FocusedRow();
        if (row < 1 || row > RowCount() || !ui_.IsRowSelected(row)) {
            for (row = 1; row <= RowCount() && !ui_.IsRowSelected(row); ++row) {
            }
        }
        if (row > RowCount()) return;
        const std::int32_t n = std::stoi(Row(row)[Column::FileNr]);
        // A sound leaving as a WAVE file is offered under its ".wav" name, a
        // converted model under its new one.
        const std::string name =
            isBag_ || IsModelEntry(n) ? Win1252ToUtf8(ExtractionName(n)) : Row(row)[Column::Filename];
        const std::string chosen = ui_.SaveFileDialog(name, "All files (*.*)|*.*");
        if (chosen == name || chosen.empty()) return;
        if (askOverwrite && FileExists(chosen) && !OverwriteExisting(StripPath(chosen), FolderOf(chosen))) {
            yesToAll_ = noToAll_ = false;
            ui_.SetPanel(Panel::Message, FinalStatus("All selected files extracted.", {1, 1}, 0));
            return;
        }
        yesToAll_ = noToAll_ = false;
        ui_.SetPanel(Panel::Message, "Extracting file: " + name);
        std::vector<std::string> failures;
        ExtractTo(n, chosen, failures);
        ui_.SetPanel(Panel::Message, FinalStatus("All selected files extracted.", {1, 0}, failures.size()));
        ReportFailures("The file could not be extracted:", failures);
        return;
    }

    if (!AnyRowSelected(ui_, RowCount())) {
        ui_.SetPanel(Panel::Message, "No files selected: nothing was extracted");
        return;
    }
    std::string folder = ui_.BrowseForFolder("Select directory to extract the selected files to:");
    if (folder.empty()) return;
    folder = WithTrailingSlash(folder);
    ui_.SetPanel(Panel::Message, "Extracting files...");
    ui_.ShowProgress();
    ui_.DisableInterface();
    std::vector<std::string> failures;
    ExtractionQueue queue(*this, ui_, failures);
    ExtractionTally tally;
    std::int32_t done = 0;
    bool cancelled = false;
    for (std::int32_t i = 1; i <= fileCount_ && i <= RowCount() && !cancelled; ++i) {
        ui_.UpdateProgress(done, selectedCount_);
        const bool selected = ui_.IsRowSelected(i);
        if (selected) {
            ++done;
            queue.WaitForWritersOf(folder, i, false);
            const fs::path target = TargetIn(folder, i, false, failures);
            bool skip = target.empty();
            if (!skip && askOverwrite && !yesToAll_ && queue.Exists(target)) {
                skip = !OverwriteExisting(target.filename().string(), folder);
                tally.notReplaced += skip ? 1 : 0;
            }
            if (!skip) {
                ui_.SetPanel(Panel::Message, "Extracting file: " + Row(i)[Column::Filename]);
                queue.Start(i, target);
            }
        }
        ui_.Yield();  // where a click on Cancel arrives
        cancelled = selected && ui_.CancelRequested();
    }
    queue.Finish();
    yesToAll_ = noToAll_ = false;
    ui_.EnableInterface();
    ui_.HideProgress();
    tally.takenOn = done;
    ui_.SetPanel(Panel::Message, cancelled ? CancelledText(done, selectedCount_, "files extracted")
                                           : FinalStatus("All selected files extracted.", tally, failures.size()));
    ReportFailures("These files could not be extracted:", failures);
}

void mVarnokEngine::ExtractAllFiles(const std::string& folder, bool overwrite, bool keepStructure, bool askOverwrite) {
    std::vector<std::int32_t> all(static_cast<std::size_t>(std::max(fileCount_, 0)));
    for (std::int32_t i = 1; i <= fileCount_; ++i) all[static_cast<std::size_t>(i - 1)] = i;
    ExtractEntries(all, folder, overwrite, keepStructure, askOverwrite);
}

void mVarnokEngine::ExtractEntries(const std::vector<std::int32_t>& numbers, const std::string& folderText,
                                   bool overwrite, bool keepStructure, bool askOverwrite) {
    if (RefuseWithoutPayloads()) return;
    const ConversionScope conversions([this] { ResetConversions(); });
    const std::string folder = WithTrailingSlash(folderText);
    ui_.SetPanel(Panel::Message, "Extracting all files...");
    ui_.ShowProgress();
    ui_.DisableInterface();
    std::vector<std::string> failures;
    ExtractionQueue queue(*this, ui_, failures);
    ExtractionTally tally;
    std::int64_t done = 0;
    const auto total = static_cast<std::int64_t>(numbers.size());
    bool cancelled = false;
    for (std::int32_t i : numbers) {
        if (i < 1 || i > fileCount_) continue;
        ++tally.takenOn;
        queue.WaitForWritersOf(folder, i, keepStructure);
        const fs::path target = TargetIn(folder, i, keepStructure, failures);
        bool extract = !target.empty();
        if (extract && !overwrite && !yesToAll_ && queue.Exists(target)) {
            extract = askOverwrite && OverwriteExisting(target.string(), folder);
            tally.notReplaced += extract ? 0 : 1;
        }
        if (extract) queue.Start(i, target);
        ui_.UpdateProgress(++done, total);
        ui_.Yield();
        if ((cancelled = ui_.CancelRequested())) break;
    }
    queue.Finish();
    yesToAll_ = noToAll_ = false;
    ui_.EnableInterface();
    ui_.HideProgress();
    ui_.SetPanel(Panel::Message, cancelled ? CancelledText(done, total, "files extracted")
                                           : FinalStatus(AllFilesExtracted(TableCut()), tally, failures.size()));
    ReportFailures("These files could not be extracted:", failures);
}

void mVarnokEngine::ExtractDirectory(const std::string& storedFolder, const std::string& folderText, bool overwrite) {
    if (RefuseWithoutPayloads()) return;
    const ConversionScope conversions([this] { ResetConversions(); });
    const std::string folder = WithTrailingSlash(folderText);
    ui_.SetPanel(Panel::Message, "Extracting all files...");
    ui_.ShowProgress();
    ui_.DisableInterface();
    std::vector<std::string> failures;
    ExtractionQueue queue(*this, ui_, failures);
    const auto inFolder = [&](std::int32_t i) { return UpperCaseASCII(Row(i)[Column::Path]) == storedFolder; };
    ExtractionTally tally;
    std::int64_t total = 0, done = 0;
    for (std::int32_t i = 1; i <= fileCount_ && i <= RowCount(); ++i) total += inFolder(i) ? 1 : 0;
    bool cancelled = false;
    for (std::int32_t i = 1; i <= fileCount_ && i <= RowCount() && !cancelled; ++i) {
        const bool taken = inFolder(i);
        if (taken) {
            queue.WaitForWritersOf(folder, i, false);
            const fs::path target = TargetIn(folder, i, false, failures);
            if (!target.empty() && !overwrite && queue.Exists(target)) {
                ++tally.notReplaced;
            } else if (!target.empty()) {
                queue.Start(i, target);
            }
            tally.takenOn = ++done;
        }
        ui_.UpdateProgress(i, fileCount_);
        ui_.Yield();
        cancelled = taken && ui_.CancelRequested();
    }
    queue.Finish();
    ui_.EnableInterface();
    ui_.HideProgress();
    ui_.SetPanel(Panel::Message, cancelled ? CancelledText(done, total, "files extracted")
                                           : FinalStatus(AllFilesExtracted(TableCut()), tally, failures.size()));
    ReportFailures("These files could not be extracted:", failures);
}

}  // namespace varnok
