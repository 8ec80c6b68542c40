// varnok create: a new, empty RFH archive pair or BAG archive, optionally filled
// from a folder.
#include <system_error>

#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/Session.h"
#include "cli/Sources.h"
#include "engine/EditGuard.h"
#include "engine/PairCommit.h"
#include "engine/TextRules.h"
#include "formats/FormatError.h"
#include "formats/cBAG.h"
#include "formats/io/File.h"

namespace varnok::cli {
namespace fs = std::filesystem;

namespace {

constexpr OptionSpec kOptions[] = {{"overwrite"}};

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// Writes the empty pair under the archive's lock, so that it never lands in the
// middle of another process's change of an archive of the same name. The index
// goes first: an empty index beside an old data file is a consistent empty
// archive, the other order would not be. A change of an earlier archive of the
// same name that was interrupted must not be finished over the new one when it
// is opened, so its journal goes; its staged files, nobody's now, are left.
void WriteEmptyPair(const fs::path& index, const fs::path& data) {
    // An old data file whose name differs in letter case is replaced too: left
    // behind, it would make the new index's data file ambiguous.
    const fs::path oldData = ResolveNameCase(data);
    const FileLock::Attempt lock = EditGuard::LockArchive(EditGuard::LockFileFor(Exists(oldData) ? oldData : data));
    if (!lock.lock) {
        throw FormatError(FormatErrorKind::InputOutput,
                          lock.problem.empty() ? Quoted(index.string()) +
                                                     " is being changed by another program; try again when it has "
                                                     "finished"
                                               : lock.problem);
    }
    WriteFileAtomically(index, std::span<const std::uint8_t>());
    std::error_code ec;
    fs::remove(PairCommit(index, data).JournalPath(), ec);
    WriteFileAtomically(data, std::span<const std::uint8_t>());
    if (oldData != data && Exists(oldData) && !fs::equivalent(oldData, data, ec)) fs::remove(oldData, ec);
}

int RunCreate(const Arguments& args) {
    args.ExpectPositionals(1, 2, "ARCHIVE");
    std::string archive = args.Positionals()[0];
    if (RefuseDataFile(archive)) return kExitFailed;
    // A BAG archive is one file; an RFH archive is an index and its data file.
    const bool bag = HasExtension(archive, ".bag");
    if (!bag && !HasExtension(archive, ".rfh")) archive += ".rfh";
    const std::string data = bag ? std::string() : DataFilePath(archive);

    std::vector<std::string> sources;
    if (args.Positionals().size() == 2) {
        const std::string& folder = args.Positionals()[1];
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) {
            PrintError("no such folder: " + Quoted(folder));
            return kExitFailed;
        }
        if (FoldersToAdd(folder, "").empty()) {
            PrintError("there are no files in " + Quoted(folder));
            return kExitFailed;
        }
        sources.push_back(folder);
    }
    if (!args.Has("overwrite")) {
        for (const fs::path& existing : {fs::path(archive), bag ? fs::path() : ResolveNameCase(data)}) {
            if (Exists(existing)) {
                PrintError(Quoted(existing.string()) + " already exists (--overwrite replaces it)");
                return kExitFailed;
            }
        }
    }
    if (!sources.empty() && !CheckSources(sources, archive, data)) return kExitFailed;
    try {
        if (bag) {
            cBAG::BAGWrite(archive, {});
        } else {
            WriteEmptyPair(archive, data);
        }
    } catch (const FormatError& e) {
        PrintError(e.what());
        return kExitFailed;
    }

    Session session(args);
    if (!session.Open(archive)) return kExitFailed;
    AddSources(session.Engine(), sources, "");
    return session.Result();
}

}  // namespace

const Command kCreateCommand{"create", "create a new RFH or BAG archive",
                             "Usage: varnok create ARCHIVE [DIR] [--overwrite]\n"
                             "       varnok create X.bag [DIR] [--overwrite]\n"
                             "\n"
                             "Creates an empty RFH archive: the index ARCHIVE (\".rfh\" is appended when\n"
                             "ARCHIVE has another extension) and the data file beside it, whose extension\n"
                             "\".rfd\" takes the letter case of the index's. With DIR, every file of the\n"
                             "folder tree is added: the files directly in DIR at the root, those of its\n"
                             "subfolders under their folder path.\n"
                             "\n"
                             "An ARCHIVE ending in \".bag\" is an empty BAG sound archive, one file; with\n"
                             "DIR, the WAVE and MP3 files of the folder tree are added to it, as\n"
                             "\"varnok add\" does.\n"
                             "\n"
                             "Options:\n"
                             "  --overwrite   replace an existing archive of that name\n",
                             kOptions, &RunCreate};

}  // namespace varnok::cli
