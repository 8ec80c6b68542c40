// varnok add, remove, rename and move: the commands that change an archive.
#include <cstdint>
#include <set>

#include "cli/Commands.h"
#include "cli/EntrySelection.h"
#include "cli/Output.h"
#include "cli/PathRules.h"
#include "cli/Session.h"
#include "cli/Sources.h"
#include "engine/TextRules.h"
#include "formats/io/File.h"

namespace varnok::cli {

namespace {

constexpr OptionSpec kAddOptions[] = {{"path", 'p', true}, {"adpcm"}, {"overwrite"}};

// Opens the archive for a change; false (after saying why) when it can't take one.
bool OpenForChange(Session& session, const std::string& archive, std::string_view what) {
    return CheckArchiveToChange(archive) && session.Open(archive) && !session.RefuseChange(what);
}

// The entries the words name; none (after saying why) when a word names nothing.
std::set<int> EntriesNamed(Session& session, std::span<const std::string> words) {
    const Selection chosen = SelectEntries(session.Engine(), words);
    if (ReportUnknown(chosen, session.Path())) return {};
    return {chosen.numbers.begin(), chosen.numbers.end()};
}

int RunAdd(const Arguments& args) {
    args.ExpectPositionals(2, SIZE_MAX, "ARCHIVE and the files to add");
    const std::string storedFolder = StoredFolderFromUser(args.Value("path").value_or(""));
    const std::string archive = args.Positionals()[0];
    const std::vector<std::string> sources(args.Positionals().begin() + 1, args.Positionals().end());

    Session session(args);
    if (!OpenForChange(session, archive, "add files to")) return kExitFailed;
    session.Engine().SetAddAsAdpcm(args.Has("adpcm"));
    if (!CheckSources(sources, archive, ResolveNameCase(DataFilePath(archive)))) return kExitFailed;
    AddSources(session.Engine(), sources, storedFolder);
    return session.Result();
}

int RunRemove(const Arguments& args) {
    args.ExpectPositionals(2, SIZE_MAX, "ARCHIVE and the entries to remove");
    Session session(args);
    if (!OpenForChange(session, args.Positionals()[0], "remove entries from")) return kExitFailed;
    const std::set<int> rows = EntriesNamed(session, std::span(args.Positionals()).subspan(1));
    if (rows.empty()) return kExitFailed;
    session.Ui().Select(rows);
    session.Engine().RemoveSelectedFiles();
    return session.Result();
}

int RunRename(const Arguments& args) {
    args.ExpectPositionals(3, 3, "ARCHIVE, ENTRY and NEWNAME");
    const std::string& newName = args.Positionals()[2];
    CheckNewFileName(newName);
    Session session(args);
    if (!OpenForChange(session, args.Positionals()[0], "rename entries of")) return kExitFailed;
    const std::set<int> rows = EntriesNamed(session, std::span(args.Positionals()).subspan(1, 1));
    if (rows.empty()) return kExitFailed;
    for (int row : rows) {
        session.Ui().Focus(row);
        session.Engine().ConfirmRename(newName);
    }
    return session.Result();
}

int RunMove(const Arguments& args) {
    args.ExpectPositionals(3, 3, "ARCHIVE, ENTRY and NEWPATH");
    const std::string storedFolder = StoredFolderFromUser(args.Positionals()[2]);
    Session session(args);
    if (!OpenForChange(session, args.Positionals()[0], "move entries of")) return kExitFailed;
    const std::set<int> rows = EntriesNamed(session, std::span(args.Positionals()).subspan(1, 1));
    if (rows.empty()) return kExitFailed;
    for (int row : rows) {
        session.Ui().Focus(row);
        session.Engine().ConfirmChangePath(storedFolder);
    }
    return session.Result();
}

}  // namespace

const Command kAddCommand{"add", "add files and folders to an archive",
                          "Usage: varnok add ARCHIVE [--path STORED] [--overwrite] FILE|DIR...\n"
                          "       varnok add X.bag [--adpcm] [--overwrite] FILE|DIR...\n"
                          "\n"
                          "Adds each FILE as a new entry, and every file of each DIR tree: the files\n"
                          "directly in DIR go under STORED, those of its subfolders under STORED followed\n"
                          "by their folder path. The index is saved after each file or folder.\n"
                          "A BAG archive takes WAVE files (PCM or IMA ADPCM) and MP3 files, each named\n"
                          "after its file name without extension (at most 32 bytes), PCM stored as 16-bit\n"
                          "(8-bit samples widened); from a DIR it takes the .wav and .mp3 files.\n"
                          "A file of 2 bytes or fewer is never added: each one is named, and the run fails.\n"
                          "\n"
                          "A file whose stored name (path and name; for a BAG the name) an entry already\n"
                          "has replaces that entry's data, keeping its number and name, when --overwrite\n"
                          "is given; without it the file is not added and the run fails.\n"
                          "\n"
                          "Options:\n"
                          "  -p, --path STORED  the stored folder for the new entries (\"sounds/ui\");\n"
                          "                     default: the archive's root\n"
                          "  --adpcm            store the sounds in a BAG archive as IMA ADPCM, as the\n"
                          "                     game's own speech and effects\n"
                          "  --overwrite        replace entries of the same stored name\n",
                          kAddOptions, &RunAdd};

const Command kRemoveCommand{"remove",
                             "remove entries from an archive",
                             "Usage: varnok remove ARCHIVE ENTRY...\n"
                             "\n"
                             "Removes the named entries, each an entry number or a stored name, and their\n"
                             "data. The entries after them are renumbered. A BAG record is named with or\n"
                             "without the extension the list shows (\"boom\" or \"boom.w\").\n",
                             {},
                             &RunRemove};

const Command kRenameCommand{"rename",
                             "rename an entry, keeping its stored path",
                             "Usage: varnok rename ARCHIVE ENTRY NEWNAME\n"
                             "\n"
                             "Gives the entry the file name NEWNAME; its stored path stays. When a stored\n"
                             "name is held by several entries, each of them is renamed. A BAG record's name\n"
                             "is stored without the extension the list shows, in at most 32 bytes.\n",
                             {},
                             &RunRename};

const Command kMoveCommand{"move",
                           "change the stored path of an entry",
                           "Usage: varnok move ARCHIVE ENTRY NEWPATH\n"
                           "\n"
                           "Puts the entry under the stored folder NEWPATH (\"music/ambient\"; \"\" or \"/\"\n"
                           "for the root), keeping its file name. Its data does not move.\n",
                           {},
                           &RunMove};

}  // namespace varnok::cli
