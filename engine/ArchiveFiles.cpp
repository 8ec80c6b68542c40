// The open archive's files as wholes: creating an archive, copying, moving,
// renaming and deleting it. An RFH archive's index and data file go together.
#include <cerrno>
#include <optional>
#include <system_error>
#include <utility>

#include "engine/ArchiveLocation.h"
#include "engine/ContinueOnFailure.h"
#include "engine/PairCommit.h"
#include "engine/ProgramInfo.h"
#include "engine/TextRules.h"
#include "engine/mVarnokEngine.h"
#include "formats/FormatError.h"
#include "formats/cBAG.h"
#include "formats/cRFD.h"
#include "formats/cRFH.h"
#include "formats/io/File.h"
#include "platform/FileIdentity.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

using Renames = std::vector<std::pair<fs::path, fs::path>>;

// True when another process of ours holds the archive's lock: it is in the middle
// of a change, and copying, moving, renaming or deleting the files now would take
// half of it. An archive whose folder we can't write has no lock to take, and
// nobody can be changing it either.
bool BeingChanged(const fs::path& lockFile, std::optional<FileLock>& lock) {
    FileLock::Attempt attempt = EditGuard::LockArchive(lockFile);
    lock = std::move(attempt.lock);
    if (lock) return false;
    return FolderWritable(lockFile);
}

// The lock an archive named by `path` shares with every other index of its data file.
fs::path LockFileOf(const std::string& path, bool bag) {
    const ArchiveLocation where = LocateArchive(path, bag);
    return EditGuard::LockFileFor(bag || where.data.empty() ? where.index : where.data);
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return !p.empty() && fs::exists(fs::symlink_status(p, ec));
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

std::string OverwriteQuestion(const std::string& name) {
    return "File '" + name + "' already exist,\r\nDo you want to overwrite it?";
}

[[noreturn]] void ThrowIo(const std::string& what, const fs::path& path, const std::error_code& ec) {
    throw FormatError(FormatErrorKind::InputOutput, what + " \"" + path.string() + "\": " + ec.message());
}

void RemoveFile(const fs::path& path) {
    std::error_code ec;
    if (!fs::remove(path, ec) && ec) ThrowIo("cannot delete", path, ec);
}

// A complete copy of `from` at `to`, put in place in one step.
void CopyFileAtomically(const fs::path& from, const fs::path& to) {
    const InputFile in(from);
    ReplacementFile out(to);
    out.copyFrom(in, 0, in.size());
    out.commit();
}

// Copies an index and its data file so that the targets hold their old pair or
// the new one whatever happens, by the protocol removals use; opening the target
// finishes or discards an interrupted copy.
void CopyPair(const fs::path& index, const fs::path& data, const fs::path& toIndex, const fs::path& toData) {
    const InputFile dataIn(data);
    const InputFile indexIn(index);
    PairCommit(toIndex, toData)
        .Commit([&](ReplacementFile& out) { out.copyFrom(dataIn, 0, dataIn.size()); },
                [&](ReplacementFile& out) { out.copyFrom(indexIn, 0, indexIn.size()); });
}

bool LinksUnsupported(const std::error_code& ec) {
    const int e = ec.value();
    return e == EPERM || e == EXDEV || e == EMLINK || e == ENOTSUP || e == EOPNOTSUPP || e == ENOSYS;
}

// Renames files in their folder, the index first. Each new name is made a second
// link of its file before any old name goes, so that until then the archive
// stands whole under its old names, and afterwards under its new ones. Where the
// file system has no hard links, or only the letter case changes, plain renames
// run instead, and are undone when one of them fails. Returns "" when the old
// names are gone, else why one stayed: the archive stands under the new names
// either way.
std::string RenameFiles(const Renames& renames) {
    bool caseOnly = false;
    for (const auto& [from, to] : renames) caseOnly = caseOnly || SameFile(from, to);
    if (!caseOnly) {
        std::size_t linked = 0;
        std::error_code ec;
        for (; linked < renames.size(); ++linked) {
            fs::create_hard_link(renames[linked].first, renames[linked].second, ec);
            if (ec) break;
        }
        if (!ec) {
            try {
                for (const auto& rename : renames) RemoveFile(rename.first);
            } catch (const std::exception& e) {
                return e.what();
            }
            return {};
        }
        for (std::size_t i = 0; i < linked; ++i) {
            std::error_code ignored;
            fs::remove(renames[i].second, ignored);
        }
        if (!LinksUnsupported(ec)) ThrowIo("cannot rename to", renames[linked].second, ec);
    }
    for (std::size_t done = 0; done < renames.size(); ++done) {
        std::error_code ec;
        fs::rename(renames[done].first, renames[done].second, ec);
        if (!ec) continue;
        for (std::size_t i = done; i-- > 0;) {
            std::error_code ignored;
            fs::rename(renames[i].second, renames[i].first, ignored);
        }
        ThrowIo("cannot rename to", renames[done].second, ec);
    }
    return {};
}

// Whether a typed new name, its folder part already dropped, can name the archive
// in its folder.
bool UsableName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

// After Copy Archive the window goes on with the copy, which mostly has the same
// file name as the original: the caption and the status bar say which one it is.
void ShowWorkingOnCopy(EngineUi& ui, const std::string& appTitle, const fs::path& copy) {
    ui.SetCaption(appTitle + " - [" + copy.filename().string() + "] (copy in " + copy.parent_path().string() + ")");
    ui.SetPanel(Panel::Message, "Now working on the copy " + copy.string());
}

std::string ExtensionOf(NewArchiveType type) { return type == NewArchiveType::BAG ? ".bag" : ".rfh"; }

}  // namespace

bool mVarnokEngine::HoldsBag(const std::string& path) const {
    return path == archivePath_ ? isBag_ : bag_->BAGValid(path);
}

void mVarnokEngine::CreateEmptyArchive(const std::string& fileName) {
    const std::string data = DataFilePath(fileName);
    if (data.empty()) throw FormatError(FormatErrorKind::InputOutput, "\"" + fileName + "\" has no data-file name");
    // An index of no entries is an empty file. It goes first: an empty index over
    // an old data file is a consistent, empty archive. A change of an earlier
    // archive of this name that was interrupted must not be finished over the new
    // one: its journal goes (its staged files are then nobody's, and stay).
    WriteFileAtomically(fileName, std::span<const std::uint8_t>());
    std::error_code ec;
    fs::remove(PairCommit(fileName, data).JournalPath(), ec);
    WriteFileAtomically(data, std::span<const std::uint8_t>());
}

std::string mVarnokEngine::BrowseNewArchiveName(const std::string& current, NewArchiveType type) {
    if (!rfh_) InitEngine();
    const std::string chosen = ui_.SaveFileDialog(current, type == NewArchiveType::BAG ? bagFilter_ : rfhFilter_);
    return chosen == current ? chosen : WithArchiveExtension(chosen, ExtensionOf(type));
}

bool mVarnokEngine::ConfirmCreateArchive(const std::string& typedName, NewArchiveType type,
                                         const std::string& directoryToAdd) {
    if (!rfh_) InitEngine();
    if (typedName.size() < 3) {
        Report("Please select a valid filename to use.", MessageIcon::Critical);
        return false;
    }
    const bool bag = type == NewArchiveType::BAG;
    // A name typed without its extension would make a data file of its last three
    // letters, one that another archive's name could make too.
    const std::string fileName = WithArchiveExtension(typedName, ExtensionOf(type));
    if (!bag && DataFilePath(fileName).empty()) {
        Report("Please select a valid filename to use.", MessageIcon::Critical);
        return false;
    }
    // Both questions come before anything is replaced, so declining either one
    // leaves both files as they are. A BAG archive is one file.
    const fs::path data = bag ? fs::path() : fs::path(DataFilePath(fileName));
    const fs::path oldData = bag ? fs::path() : ResolveNameCase(data);
    for (const fs::path& file : {fs::path(fileName), oldData}) {
        if (Exists(file) && ui_.ShowMessage(OverwriteQuestion(file.string()), kFileDescription, MessageIcon::Critical,
                                            MessageButtons::YesNoDefaultNo) != MessageAnswer::Yes) {
            return false;
        }
    }
    {
        std::optional<FileLock> lock;
        const fs::path payloads = bag ? fs::path(fileName) : (Exists(oldData) ? oldData : data);
        if (BeingChanged(EditGuard::LockFileFor(payloads), lock)) {
            Report("The archive " + fileName +
                   " is being changed by another program, so it was not replaced. Try again when it has finished.");
            return false;
        }
        try {
            if (bag) {
                cBAG::BAGWrite(fileName, {});  // the header alone, put in place in one step
            } else {
                CreateEmptyArchive(fileName);
                if (oldData != data && !SameFile(oldData, data)) RemoveFile(oldData);
            }
        } catch (const std::exception& e) {
            Report("The archive " + fileName + " could not be created.\n\n" + e.what());
            return false;
        }
    }
    OpenArchive(fileName);
    ui_.Yield();
    if (!directoryToAdd.empty()) AddDirectoryToArchive(WithTrailingSlash(directoryToAdd), "");
    return true;
}

void mVarnokEngine::SetArchivePath(const std::string& newPath) {
    if (!rfh_) InitEngine();
    archivePath_ = newPath;
    FollowArchiveFiles(newPath);
    ui_.SetPathLabel(newPath);
    ui_.SetCaption(appTitle_ + " - [" + StripPath(newPath) + "]");
    // What panel 1 said was about the archive at its old place.
    ui_.SetPanel(Panel::Message, "");
}

// The format objects and the holds remember where the files were: after our own
// move or rename they are the same files under new names. A path that no longer
// leads to a held file leaves the hold as it is, and the next edit reads the
// archive again.
void mVarnokEngine::FollowArchiveFiles(const std::string& newPath) {
    const ArchiveLocation where = LocateArchive(newPath, isBag_);
    const std::vector<fs::path> now = {where.index, where.data};
    for (std::size_t k = 0; k < guard_.Files().size(); ++k) {
        if (StillTheHeldFile(now[k], k)) guard_.Files()[k]->MoveTo(now[k]);
    }
    indexPath_ = where.index;
    guard_.Hold(guard_.Files(), EditGuard::LockFileFor(isBag_ || where.data.empty() ? where.index : where.data));
    if (isBag_) {
        TryStep([&] { bag_->BAGOpen(indexPath_); });
    } else {
        where.data.empty() ? rfd_->RFDClear() : rfd_->RFDOpen(where.data);
        TryStep([&] { rfh_->RFHOpen(indexPath_); });
    }
}

bool mVarnokEngine::StillTheHeldFile(const fs::path& path, std::size_t k) const {
    return !path.empty() && k < guard_.Files().size() && guard_.Files()[k]->ReachedBy(path);
}

void mVarnokEngine::CopyArchive(const std::string& source, const std::string& folder) {
    TransferArchive(source, folder, false);
}

void mVarnokEngine::MoveArchive(const std::string& source, const std::string& folder) {
    TransferArchive(source, folder, true);
}

// A move is a complete copy first; the source goes only once the copy stands
// at a different place. Whatever fails, the engine stays on the archive where
// it really is.
void mVarnokEngine::TransferArchive(const std::string& source, const std::string& folder, bool move) {
    if (!rfh_) InitEngine();
    const bool holds = !source.empty() && source == archivePath_;
    const bool bag = HoldsBag(source);
    const std::string destination = WithTrailingSlash(folder.empty() ? "/" : folder);
    const std::string name = StripPath(source);
    const fs::path toIndex = destination + name;
    const fs::path data = bag ? fs::path() : ResolveNameCase(DataFilePath(source));
    const fs::path toData = bag ? fs::path() : ResolveNameCase(destination + DataFilePath(name));
    // The open archive is copied from the files held: the version listed.
    const fs::path readIndex = holds ? indexPath_ : fs::path(source);
    const fs::path readData = holds && !bag ? rfd_->RFDFileName() : data;

    if (!IsRegularFile(source) || (!bag && !IsRegularFile(data))) {
        Report(bag ? "Source file doesn't exist anymore." : "Source file(s) doesn't exist anymore.",
               MessageIcon::Critical);
        if (holds) CloseArchive();
        return;
    }
    const std::string verb = move ? "moved" : "copied";
    std::optional<FileLock> lock;
    if (BeingChanged(holds ? guard_.LockFile() : LockFileOf(source, bag), lock)) {
        Report("The archive is being changed by another program, so it was not " + verb +
               ". Try again when it "
               "has finished.");
        return;
    }
    if (SameFile(source, toIndex) || (!bag && SameFile(data, toData))) {
        Report("The archive is already in " + destination + ", so it was not " + verb + ".");
        return;
    }
    for (const fs::path& target : {toIndex, toData}) {
        if (Exists(target) &&
            ui_.ShowMessage(OverwriteQuestion(target.string()), kFileDescription, MessageIcon::Critical,
                            MessageButtons::YesNoDefaultNo) != MessageAnswer::Yes) {
            return;
        }
    }
    try {
        if (move && holds && !guard_.WhyChanged().empty()) {
            throw FormatError(FormatErrorKind::InputOutput,
                              "it was changed by another program since it was opened; open it again first");
        }
        bag ? CopyFileAtomically(readIndex, toIndex) : CopyPair(readIndex, readData, toIndex, toData);
    } catch (const std::exception& e) {
        Report("The archive could not be " + verb + " to " + destination + "; it stays where it was.\n\n" + e.what());
        return;
    }
    if (move) {
        try {
            // Only the files copied go: a name that leads elsewhere now stays.
            if (!holds || StillTheHeldFile(source, 0)) RemoveFile(source);  // the index first
            if (!bag && (!holds || StillTheHeldFile(data, 1))) RemoveFile(data);
        } catch (const std::exception& e) {
            Report("The archive was copied to " + destination +
                   ", but it could not be deleted from its old folder.\n\n" + e.what());
        }
    }
    if (!holds) return;
    SetArchivePath(toIndex.string());
    if (!move) ShowWorkingOnCopy(ui_, appTitle_, toIndex);
}

void mVarnokEngine::RenameArchive(const std::string& oldPath, const std::string& typed) {
    if (!rfh_) InitEngine();
    const bool holds = !oldPath.empty() && oldPath == archivePath_;
    const bool bag = HoldsBag(oldPath);
    const std::string folder = oldPath.substr(0, oldPath.size() - StripPath(oldPath).size());
    const std::string typedName = StripPath(typed);
    // A name typed without its extension gets it: "abc" would make a data file "rfd".
    const std::string name =
        WithArchiveExtension(typedName, ExtensionOf(bag ? NewArchiveType::BAG : NewArchiveType::RFH));
    if (!UsableName(typedName) || (!bag && DataFilePath(name).empty())) {
        Report("\"" + typedName + "\" can't be the archive's new name.", MessageIcon::Critical);
        return;
    }
    std::optional<FileLock> lock;
    if (BeingChanged(holds ? guard_.LockFile() : LockFileOf(oldPath, bag), lock)) {
        Report(
            "The archive is being changed by another program, so it was not renamed. Try again when it has "
            "finished.");
        return;
    }
    Renames renames{{oldPath, folder + name}};
    if (!bag) renames.emplace_back(ResolveNameCase(DataFilePath(oldPath)), folder + DataFilePath(name));

    for (const auto& [from, to] : renames) {
        if (!IsRegularFile(from)) {
            Report(bag ? "Source file doesn't exist anymore." : "Source file(s) doesn't exist anymore.",
                   MessageIcon::Critical);
            if (holds) CloseArchive();
            return;
        }
    }
    for (const auto& [from, to] : renames) {
        if (Exists(to) && !SameFile(from, to)) {
            Report("A file named '" + to.filename().string() + "' already exists in " + folder +
                   ", so the archive was not renamed.");
            return;
        }
    }
    try {
        if (const std::string stayed = RenameFiles(renames); !stayed.empty()) {
            Report("The archive was renamed, but its old name could not be removed.\n\n" + stayed);
        }
    } catch (const std::exception& e) {
        Report(std::string("The archive could not be renamed; it keeps its old name.\n\n") + e.what());
        return;
    }
    if (holds) SetArchivePath(folder + name);
}

void mVarnokEngine::DeleteArchive() {
    if (archivePath_.empty()) return;
    if (ui_.ShowMessage("Are you sure you want to delete this archive?", kFileDescription, MessageIcon::Question,
                        MessageButtons::YesNoDefaultNo) != MessageAnswer::Yes) {
        return;
    }
    std::optional<FileLock> lock;
    if (BeingChanged(guard_.LockFile(), lock)) {
        Report(
            "The archive is being changed by another program, so it was not deleted. Try again when it has "
            "finished.");
        return;
    }
    // Only the files held are deleted: a file another program put under the
    // archive's name is not ours to delete.
    if (Exists(archivePath_) && !StillTheHeldFile(archivePath_, 0)) {
        Report("The archive \"" + archivePath_ +
               "\" was replaced by another program since it was opened, so it was not deleted. Refresh it first.");
        return;
    }
    try {
        if (Exists(archivePath_)) {
            const fs::path data = isBag_ ? fs::path() : ResolveNameCase(DataPath());
            RemoveFile(archivePath_);  // the index first: a data file left alone is no archive
            if (StillTheHeldFile(data, 1)) RemoveFile(data);
        }
    } catch (const std::exception& e) {
        Report(std::string("The archive could not be deleted completely.\n\n") + e.what());
    }
    if (!Exists(archivePath_)) CloseArchive();
}

}  // namespace varnok
