// varnok extract: entries written out as files.
#include <cstdint>

#include "cli/Commands.h"
#include "cli/EntrySelection.h"
#include "cli/Output.h"
#include "cli/Session.h"
#include "modelexport/ModelExport.h"

namespace varnok::cli {

namespace {

constexpr OptionSpec kOptions[] = {{"output", 'o', true}, {"keep-paths"}, {"overwrite"}, {"wav"}, {"raw"},
                                   {"models", 0, true}};

int RunExtract(const Arguments& args) {
    args.ExpectPositionals(1, SIZE_MAX, "ARCHIVE");
    args.ExpectNotBoth("wav", "raw");
    const std::string folder = args.Value("output").value_or(".");
    if (folder.empty()) throw UsageError("--output needs a folder");

    const auto models = args.Value("models");
    const auto modelFormat = models ? modelexport::ModelFormatNamed(*models) : modelexport::ModelFormat::Glb;
    if (!modelFormat) throw UsageError("--models takes glb, gltf or obj, not \"" + *models + "\"");

    Session session(args);
    if (!session.Open(args.Positionals()[0])) return kExitFailed;
    mVarnokEngine& engine = session.Engine();
    engine.SetModelFormat(*modelFormat);
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
    "                      [--models glb|gltf|obj]\n"
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
    "  --raw             write them as they are stored (the default without a terminal)\n"
    "  --models FORMAT   write model entries (.xbf) as glb (one file, textures inside),\n"
    "                    gltf (NAME.gltf, NAME.bin) or obj (NAME.obj, NAME.mtl), with\n"
    "                    their textures as PNG files beside; node tree, transforms,\n"
    "                    normals and texture coordinates kept, coordinates as stored\n",
    kOptions, &RunExtract};

}  // namespace varnok::cli
