// varnok list: the table of an archive, as text columns or as JSON.
#include <iomanip>
#include <iostream>

#include "cli/Commands.h"
#include "cli/EntrySelection.h"
#include "cli/Json.h"
#include "cli/Output.h"
#include "cli/Session.h"
#include "formats/cBAG.h"
#include "formats/cRFH.h"
#include "platform/Win1252.h"

namespace varnok::cli {

namespace {

constexpr OptionSpec kOptions[] = {{"json"}};

struct Row {
    std::int32_t number;
    bool packed;
    std::int64_t packedSize;
    std::int64_t originalSize;
    std::string ratio;
    std::string name;  // UTF-8
};

Row RowOf(const mVarnokEngine& engine, std::int32_t n) {
    const std::string name = Win1252ToUtf8(EntryName(engine, n));
    if (engine.IsBAG()) {
        const std::int32_t size = engine.Bag().BAGGetFileSize(n);
        return {n, false, size, size, "0%", name};
    }
    const cRFH& index = engine.Index();
    const std::string ratio = index.GetRatio(n);
    return {
        n,   index.GetPacked(n) == "Yes", index.GetPackedSize(n), index.GetOriginalSize(n), ratio.empty() ? "-" : ratio,
        name};
}

void PrintTable(const mVarnokEngine& engine) {
    std::cout << std::setw(5) << "Nr"
              << "  Packed" << std::setw(13) << "Packed size" << std::setw(15) << "Original size" << std::setw(7)
              << "Ratio"
              << "  Name\n";
    for (std::int32_t n = 1; n <= engine.FileCount(); ++n) {
        const Row row = RowOf(engine, n);
        std::cout << std::setw(5) << row.number << std::setw(8) << (row.packed ? "Yes" : "No") << std::setw(13)
                  << row.packedSize << std::setw(15) << row.originalSize << std::setw(7) << row.ratio << "  "
                  << EscapedName(row.name) << '\n';
    }
}

std::string RfhEntryJson(const cRFH& index, std::int32_t n) {
    return JsonObject()
        .Add("number", n)
        .Add("name", Win1252ToUtf8(index.GetFilePath(n) + index.GetFileName(n)))
        .Add("path", Win1252ToUtf8(index.GetFilePath(n)))
        .Add("packed", index.GetPacked(n) == "Yes")
        .Add("packed_size", index.GetPackedSize(n))
        .Add("original_size", index.GetOriginalSize(n))
        .Add("offset", index.GetOffSet(n))
        .Add("date_added", index.GetDateAdded(n))
        .Text();
}

std::string BagEntryJson(const cBAG& bag, std::int32_t n) {
    return JsonObject()
        .Add("number", n)
        .Add("name", Win1252ToUtf8(bag.BAGGetFileName(n)))
        .Add("size", bag.BAGGetFileSize(n))
        .Add("offset", bag.BAGGetFileOffSet(n))
        .Add("frequency", bag.BAGGetFileFrequency(n))
        .Add("type", bag.BAGGetFileType(n))
        .Add("extra_info", bag.BAGGetFileExtraInfo(n))
        .Text();
}

}  // namespace

int RunList(const Arguments& args);

const Command kListCommand{
    "list", "list the entries of an archive",
    "Usage: varnok list ARCHIVE [--json]\n"
    "\n"
    "Lists the entries of an RFH or BAG archive, one line each: number, packed,\n"
    "packed size, original size (both in bytes), ratio and stored name.\n"
    "Control characters in names are shown as \\xHH, HH their code in hex; a \"\\\"\n"
    "that would read as such an escape is shown as \\x5C.\n"
    "\n"
    "Options:\n"
    "  --json   one JSON object: {\"archive\", \"kind\": \"rfh\" or \"bag\", \"entries\": [...]}.\n"
    "           RFH entries carry number, name (the full stored name), path,\n"
    "           packed, packed_size, original_size, offset and date_added;\n"
    "           BAG entries number, name, size, offset, frequency, type, extra_info.\n",
    kOptions, &RunList};

int RunList(const Arguments& args) {
    args.ExpectPositionals(1, 1, "ARCHIVE");
    Session session(args);
    if (!session.Open(args.Positionals()[0])) return kExitFailed;
    const mVarnokEngine& engine = session.Engine();
    if (const std::string damage = session.TableDamage(); !damage.empty()) PrintWarning(damage);
    if (!args.Has("json")) {
        PrintTable(engine);
        return session.Result();
    }
    // One entry per line, so that line tools can still work on the output.
    std::cout << "{\"archive\":" << JsonString(session.Path())
              << ",\"kind\":" << JsonString(engine.IsBAG() ? "bag" : "rfh") << ",\"entries\":[";
    for (std::int32_t n = 1; n <= engine.FileCount(); ++n) {
        std::cout << (n == 1 ? "\n" : ",\n")
                  << (engine.IsBAG() ? BagEntryJson(engine.Bag(), n) : RfhEntryJson(engine.Index(), n));
    }
    std::cout << "\n]}\n";
    return session.Result();
}

}  // namespace varnok::cli
