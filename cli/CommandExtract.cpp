// varnok extract: entries written out as files.
#include <cstdint>

#include "cli/Commands.h"
#include "cli/EntrySelection.h"
#include "cli/Output.h"
#include "cli/Session.h"

namespace varnok::cli {

namespace {

constexpr OptionSpec kOptions[] = {{"output", 'o', true}, {"keep-paths"}, {"overwrite"}, {"wav"}, {"raw"}};

int RunExtract(const Arguments& args) {
    args.ExpectPositionals(1, SIZE_MAX, "ARCHIVE");
    args.ExpectNotBoth("wav", "raw");
    const std::string folder = args.Value("output").value_or(".");
    if (folder.empty()) throw UsageError("--output needs a folder");

    Session session(args);
    if (!session.Open(args.Positionals()[0])) return kExitFailed;
    mVarnokEngine& engine = session.Engine();
    const bool overwrite = args.Has("overwrite");
    const bool keepPaths = args.Has("keep-paths");
    const auto& words = args.Positionals();
    const std::string damage = session.TableDamage();
    if (words.size() == 1) {
        // All was asked for, and the entries past the damage can't be had.
        if (!damage.empty()) PrintError(damage);
        engine.ExtractAllFiles(folder, overwrite, keepPaths, true);
        if (!damage.empty()) return kExitFailed;
    } else {
        if (!damage.empty()) PrintWarning(damage);
        const Selection chosen = SelectEntries(engine, std::span(words).subspan(1));
        if (ReportUnknown(chosen, session.Path())) return kExitFailed;
        engine.ExtractEntries(chosen.numbers, folder, overwrite, keepPaths, true);
    }
    return session.Result();
}

}  // namespace

const Command kExtractCommand{
    "extract", "write entries out as files",
    "Usage: varnok extract ARCHIVE [ENTRY...] [-o DIR] [--keep-paths] [--overwrite] [--wav|--raw]\n"
    "\n"
    "Writes the named entries, or all of them, into DIR (default: the current\n"
    "folder). An ENTRY is an entry number or a stored name (\"/\" or \"\\\" between\n"
    "folders, letter case ignored); a name held by several entries names them all.\n"
    "A BAG record is named with or without the extension the list shows.\n"
    "Names that would leave DIR are refused.\n"
    "\n"
    "Options:\n"
    "  -o, --output DIR  the folder to write into; it is created when missing\n"
    "  --keep-paths      recreate the stored folders below DIR\n"
    "  --overwrite       replace existing files; without it they are kept (and asked\n"
    "                    about when stdin is a terminal), and a file kept unasked\n"
    "                    makes the exit status 1\n"
    "  --wav             write BAG sound entries (PCM, and IMA ADPCM decoded to\n"
    "                    16-bit PCM) as playable .wav files\n"
    "  --raw             write them as they are stored (the default without a terminal)\n",
    kOptions, &RunExtract};

}  // namespace varnok::cli
