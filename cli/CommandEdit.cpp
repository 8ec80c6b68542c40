// varnok add, remove, rename and move: the commands that change an archive.
#include <cstdint>
#include <functional>
#include <set>
#include <utility>

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

std::multiset<std::string> NamesOf(Session& session, const std::set<int>& rows) {
    std::multiset<std::string> names;
    for (int row : rows) names.insert(EntryName(session.Engine(), row));
    return names;
}

// Another program (often another varnok) may change the archive between our
// reading it and our edit; the engine then reads it again and writes nothing.
// The edit is planned again on the new list: the words must name the very
// entries they named at first, or the request no longer makes sense and fails.
constexpr int kPlanAttempts = 5;

int EditEntries(Session& session, std::span<const std::string> words,
                const std::function<void(const std::set<int>&)>& edit, std::string_view what) {
    session.Engine().ReplanOnChange(true);
    std::multiset<std::string> meant;
    for (int attempt = 0; attempt < kPlanAttempts; ++attempt) {
        const std::set<int> rows = EntriesNamed(session, words);
        if (rows.empty()) return kExitFailed;
        if (attempt == 0) {
            meant = NamesOf(session, rows);
        } else if (NamesOf(session, rows) != meant) {
            PrintError(Quoted(session.Path()) +
                       " was changed by another program, and the entries named are no "
                       "longer the ones they were; nothing was " +
                       std::string(what));
            return kExitFailed;
        }
        session.Ui().Select(rows);
        edit(rows);
        if (!session.Engine().TakeArchiveReread()) return session.Result();
    }
    PrintError(Quoted(session.Path()) + " kept being changed by another program; nothing was " + std::string(what));
    return kExitFailed;
}

// Entries that share a stored name would all be given the same new one, which two
// entries may not have; so none of them is changed. True (after saying why) then.
bool RefuseSharedName(const std::set<int>& rows, const std::string& word, std::string_view what) {
    if (rows.size() < 2) return false;
    PrintError(Quoted(word) + " names " + std::to_string(rows.size()) +
               " entries, and two entries can't share a stored name: nothing was " + std::string(what) +
               "; give an entry number");
    return true;
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
    // An add names no entries: when the archive changed before it began, it
    // simply runs again on the archive as it is now.
    session.Engine().ReplanOnChange(true);
    for (int attempt = 0; attempt < kPlanAttempts; ++attempt) {
        AddSources(session.Engine(), sources, storedFolder);
        if (!session.Engine().TakeArchiveReread()) return session.Result();
    }
    PrintError(Quoted(archive) + " kept being changed by another program; nothing was added");
    return kExitFailed;
}

int RunRemove(const Arguments& args) {
    args.ExpectPositionals(2, SIZE_MAX, "ARCHIVE and the entries to remove");
    Session session(args);
    if (!OpenForChange(session, args.Positionals()[0], "remove entries from")) return kExitFailed;
    return EditEntries(
        session, std::span(args.Positionals()).subspan(1),
        [&](const std::set<int>&) { session.Engine().RemoveSelectedFiles(); }, "removed");
}

// Rename and move change one entry, named by the second word: the focused row
// gets `change`, planned again when another program changed the archive first.
int ChangeOneEntry(const Arguments& args, std::string_view what, std::string_view done,
                   const std::function<void(mVarnokEngine&)>& change) {
    Session session(args);
    if (!OpenForChange(session, args.Positionals()[0], what)) return kExitFailed;
    const auto word = std::span(args.Positionals()).subspan(1, 1);
    const std::set<int> named = EntriesNamed(session, word);
    if (named.empty() || RefuseSharedName(named, args.Positionals()[1], done)) return kExitFailed;
    return EditEntries(
        session, word,
        [&](const std::set<int>& rows) {
            session.Ui().Focus(*rows.begin());
            change(session.Engine());
        },
        done);
}

int RunRename(const Arguments& args) {
    args.ExpectPositionals(3, 3, "ARCHIVE, ENTRY and NEWNAME");
    const std::string& newName = args.Positionals()[2];
    CheckNewFileName(newName);
    return ChangeOneEntry(args, "rename entries of", "renamed",
                          [&](mVarnokEngine& engine) { engine.ConfirmRename(newName); });
}

int RunMove(const Arguments& args) {
    args.ExpectPositionals(3, 3, "ARCHIVE, ENTRY and NEWPATH");
    const std::string storedFolder = StoredFolderFromUser(args.Positionals()[2]);
    return ChangeOneEntry(args, "move entries of", "moved",
                          [&](mVarnokEngine& engine) { engine.ConfirmChangePath(storedFolder); });
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
                             "Gives the entry the file name NEWNAME; its stored path stays. A BAG record's\n"
                             "name is stored without the extension the list shows, in at most 32 bytes.\n"
                             "\n"
                             "Two entries can't share a stored name (letters in any case): a NEWNAME another\n"
                             "entry of the same path already has is refused, and so is an ENTRY name that\n"
                             "several entries share (give its number). Nothing is saved then, and the run\n"
                             "fails.\n",
                             {},
                             &RunRename};

const Command kMoveCommand{"move",
                           "change the stored path of an entry",
                           "Usage: varnok move ARCHIVE ENTRY NEWPATH\n"
                           "\n"
                           "Puts the entry under the stored folder NEWPATH (\"music/ambient\"; \"\" or \"/\"\n"
                           "for the root), keeping its file name. Its data does not move.\n"
                           "\n"
                           "An entry of the same file name already in NEWPATH (letters in any case), or an\n"
                           "ENTRY name that several entries share, is refused: nothing is saved, and the\n"
                           "run fails.\n",
                           {},
                           &RunMove};

}  // namespace varnok::cli
