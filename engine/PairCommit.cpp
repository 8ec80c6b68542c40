#include "engine/PairCommit.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <system_error>

#include "formats/FormatError.h"
#include "formats/cRFH.h"
#include "formats/io/HeldFile.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kJournalMagic = "varnok pair commit 1";
constexpr std::string_view kMarkerMagic = "varnok add 1";

std::function<void(std::string_view)>& StepHook() {
    static std::function<void(std::string_view)> hook;
    return hook;
}

void Step(std::string_view name) {
    if (StepHook()) StepHook()(name);
}

void RenameOrThrow(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (ec) {
        throw FormatError(FormatErrorKind::InputOutput, "cannot replace \"" + to.string() + "\": " + ec.message());
    }
}

Bytes AsBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string ReadText(const fs::path& path) {
    const Bytes bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// One staged file as the journal names it: its name beside its target, and
// what it is.
struct StagedName {
    std::string name;
    std::uint64_t device = 0, inode = 0;

    // True when `folder`/name is still the very file the journal recorded.
    bool PresentIn(const fs::path& folder) const {
        const auto stamp = StampOfName(folder / name);
        return stamp && stamp->device == device && stamp->inode == inode;
    }
};

struct Journal {
    StagedName data, index;
};

std::string JournalLine(std::string_view what, const fs::path& staged, const FileStamp& stamp) {
    return std::string(what) + " " + std::to_string(stamp.device) + " " + std::to_string(stamp.inode) + " " +
           staged.filename().string() + "\n";
}

// A journal is trusted only when it is ours, whole, and names staging files of
// our own pattern; anything else leaves every file as it is.
std::optional<Journal> ReadJournal(const fs::path& path) {
    if (!StampOfName(path)) return std::nullopt;
    std::istringstream in;
    try {
        in.str(ReadText(path));
    } catch (const std::exception&) {
        return std::nullopt;
    }
    std::string magic;
    if (!std::getline(in, magic) || magic != kJournalMagic) return std::nullopt;
    Journal journal;
    for (auto [what, staged] : {std::pair{"data", &journal.data}, std::pair{"index", &journal.index}}) {
        std::string word;
        if (!(in >> word >> staged->device >> staged->inode) || word != what) return std::nullopt;
        in.get();
        if (!std::getline(in, staged->name) || staged->name.empty() || staged->name.find('/') != std::string::npos ||
            staged->name.find(".vnk-") == std::string::npos) {
            return std::nullopt;
        }
    }
    return journal;
}

fs::path FolderOf(const fs::path& file) { return file.parent_path().empty() ? fs::path(".") : file.parent_path(); }

void RemoveNamedFile(const fs::path& folder, const StagedName& staged) {
    if (!staged.PresentIn(folder)) return;
    std::error_code ec;
    fs::remove(folder / staged.name, ec);
}

}  // namespace

void PairCommit::SetStepHook(std::function<void(std::string_view)> hook) { StepHook() = std::move(hook); }

PairCommit::PairCommit(fs::path index, fs::path data) : index_(std::move(index)), data_(std::move(data)) {}

fs::path PairCommit::JournalPath() const {
    return index_.parent_path() / ("." + index_.filename().string() + ".vnk-journal");
}

namespace {

// A new file of a commit, written without a name where the file system allows,
// so that a process killed while writing it leaves nothing behind.
struct StagedFile {
    Descriptor file;
    fs::path name;
    bool unnamed = false;
};

StagedFile Stage(const fs::path& target, const std::function<void(ReplacementFile&)>& write) {
    ReplacementFile out(target, ReplacementFile::Sync::Durable, ReplacementFile::Staging::Unnamed);
    write(out);
    StagedFile staged;
    staged.unnamed = out.isUnnamed();
    staged.file = out.detach();
    staged.name = staged.unnamed ? FreshStagingName(target) : out.stagingPath();
    return staged;
}

}  // namespace

void PairCommit::Commit(const std::function<void(ReplacementFile&)>& writeData,
                        const std::function<void(ReplacementFile&)>& writeIndex) const {
    StagedFile data, index;
    try {
        data = Stage(data_, writeData);
        index = Stage(index_, writeIndex);
        // The journal names the staged files before they have names, so that
        // from the moment they do, something only we write proves them ours.
        const std::string journal = std::string(kJournalMagic) + "\n" +
                                    JournalLine("data", data.name, data.file.Stamp()) +
                                    JournalLine("index", index.name, index.file.Stamp());
        WriteFileAtomically(JournalPath(), AsBytes(journal));
        if (data.unnamed) LinkAt(data.file, data.name);
        if (index.unnamed) LinkAt(index.file, index.name);
        Step("journal written");
        // The files replaced must still be the ones held: another program's
        // file renamed over ours in the meantime is not ours to replace.
        if (!HeldFile::AllStillNamed()) {
            throw FormatError(FormatErrorKind::InputOutput,
                              "the archive's files were replaced by another program; nothing was changed");
        }
        RenameOverHeld(data.name, data_);  // the commit point
    } catch (...) {
        if (!index.name.empty()) RemoveIfStillOurs(index.name, index.file.get());
        if (!data.name.empty()) RemoveIfStillOurs(data.name, data.file.get());
        std::error_code ec;
        fs::remove(JournalPath(), ec);
        throw;
    }
    if (const auto held = HeldFile::Find(data_)) held->Adopt(std::move(data.file));
    Step("data renamed");
    RenameOverHeld(index.name, index_);
    if (const auto held = HeldFile::Find(index_)) held->Adopt(std::move(index.file));
    Step("index renamed");
    std::error_code ec;
    fs::remove(JournalPath(), ec);
}

PairCommit::Recovery PairCommit::RecoverPair() const {
    const std::optional<Journal> journal = ReadJournal(JournalPath());
    if (!journal) return Recovery::Nothing;
    const fs::path dataFolder = FolderOf(data_), indexFolder = FolderOf(index_);
    Recovery result = Recovery::Nothing;
    if (journal->data.PresentIn(dataFolder)) {
        // The change never reached its commit point: the originals are intact.
        // The staged index goes first, so that a second interruption here cannot
        // leave it alone and be taken for a change past the commit point.
        RemoveNamedFile(indexFolder, journal->index);
        RemoveNamedFile(dataFolder, journal->data);
        result = Recovery::Discarded;
    } else if (journal->index.PresentIn(indexFolder)) {
        // Finished only over the data file it was made for: when another program
        // has put a data file of its own there since, our index belongs to nothing.
        const auto data = StampOfName(data_);
        if (data && data->device == journal->data.device && data->inode == journal->data.inode) {
            RenameOrThrow(indexFolder / journal->index.name, index_);
            result = Recovery::Finished;
        } else {
            RemoveNamedFile(indexFolder, journal->index);
        }
    }
    std::error_code ec;
    fs::remove(JournalPath(), ec);
    return result;
}

std::optional<fs::path> PairCommit::PendingIndex() const {
    const std::optional<Journal> journal = ReadJournal(JournalPath());
    if (!journal || journal->data.PresentIn(FolderOf(data_)) || !journal->index.PresentIn(FolderOf(index_))) {
        return std::nullopt;
    }
    const auto data = StampOfName(data_);
    if (!data || data->device != journal->data.device || data->inode != journal->data.inode) return std::nullopt;
    return FolderOf(index_) / journal->index.name;
}

AddMarker::AddMarker(fs::path data) : data_(std::move(data)) {}

std::vector<fs::path> AddMarker::Markers() const {
    const std::string prefix = "." + data_.filename().string() + ".vnk-add-";
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(FolderOf(data_), ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().filename().string().starts_with(prefix)) found.push_back(it->path());
    }
    return found;
}

fs::path AddMarker::Begin(std::uint64_t keepLength) const {
    const auto stamp = StampOfName(data_);
    if (!stamp) throw FormatError(FormatErrorKind::InputOutput, "cannot find \"" + data_.string() + "\"");
    const std::string text = std::string(kMarkerMagic) + "\n" + std::to_string(keepLength) + " " +
                             std::to_string(stamp->device) + " " + std::to_string(stamp->inode) + "\n";
    return CreateFileExclusively(FolderOf(data_), "." + data_.filename().string() + ".vnk-add-", AsBytes(text));
}

void AddMarker::End(const fs::path& marker) {
    if (marker.empty()) return;
    std::error_code ec;
    fs::remove(marker, ec);
}

bool AddMarker::Recover(const fs::path& index) const {
    bool cut = false;
    for (const fs::path& marker : Markers()) cut = RecoverFrom(marker, index) || cut;
    return cut;
}

bool AddMarker::RecoverFrom(const fs::path& marker, const fs::path& index) const {
    std::uint64_t keep = 0, device = 0, inode = 0;
    try {
        std::istringstream in(ReadText(marker));
        std::string magic;
        if (!std::getline(in, magic) || magic != kMarkerMagic || !(in >> keep >> device >> inode)) return false;
        // Markers are ours only while an add of ours runs, and adds hold the lock
        // recovery runs under: one about a data file that is no longer there
        // is left over, and has nothing to cut.
        const auto stamp = StampOfName(data_);
        if (!stamp || stamp->device != device || stamp->inode != inode) {
            End(marker);
            return false;
        }
        cRFH table;
        table.RFHOpen(index);
        // A damaged or cut-short table does not say where its entries end.
        if (table.RFHDamagedAt() || table.RFHTruncated()) return false;
        keep = std::max<std::uint64_t>(keep, static_cast<std::uint64_t>(table.RFHNextOffSet()));
        const bool cut = stamp->size > keep;
        if (cut) TruncateFile(data_, keep);
        End(marker);
        return cut;
    } catch (const std::exception&) {
        return false;  // the marker stays: nothing is cut on a guess
    }
}

}  // namespace varnok
