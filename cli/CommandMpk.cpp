// varnok mpk list|test|extract|create: the program's package archives, through cMPK.
#include <charconv>
#include <iomanip>
#include <iostream>
#include <system_error>

#include "cli/Commands.h"
#include "cli/Json.h"
#include "cli/Output.h"
#include "formats/cMPK.h"
#include "formats/io/File.h"
#include "platform/Win1252.h"

namespace varnok::cli {
namespace fs = std::filesystem;

namespace {

constexpr OptionSpec kListOptions[] = {{"json"}};
constexpr OptionSpec kExtractOptions[] = {{"output", 'o', true}, {"overwrite"}};
constexpr OptionSpec kCreateOptions[] = {{"overwrite"}};

// What cMPK's text and numeric results mean for the package `p`.
std::string Unreadable(const std::string& p) { return Quoted(p) + " can't be read"; }
std::string NotAPackage(const std::string& p) { return Quoted(p) + " is not a package, or it is damaged"; }

bool PackageExists(const std::string& package) {
    if (IsRegularFile(package)) return true;
    PrintError("no such package: " + Quoted(package));
    return false;
}

// The entry count, or nothing after saying why there is none.
std::optional<std::int32_t> EntryCount(const cMPK& mpk, const std::string& package) {
    const std::string text = mpk.MPKGetFileCount(package);
    std::int32_t count = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (text.empty()) {
        PrintError(Unreadable(package));
    } else if (ec != std::errc() || end != text.data() + text.size() || count < 0) {
        PrintError(NotAPackage(package));
    } else {
        return count;
    }
    return std::nullopt;
}

// cMPK's decimal text as a JSON number; its failure texts as null.
std::string NumberOrNull(const std::string& text) {
    const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    return digits ? text : "null";
}

bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\:\0", 4)) == std::string::npos;
}

// Writes entry n into `folder`; false after one line saying why it was not.
bool ExtractMpkEntry(const cMPK& mpk, const std::string& package, std::int32_t n, const fs::path& folder,
                     bool overwrite) {
    const std::string name = mpk.MPKGetFileName(package, n);
    const std::string shown = "entry " + std::to_string(n) + " (" + EscapedName(Win1252ToUtf8(name)) + ")";
    if (!IsPlainName(name)) {
        PrintError(shown + " not extracted: its name would leave the folder");
        return false;
    }
    const fs::path target = folder / name;  // the stored bytes, as the plug-in loader writes them
    switch (mpk.MPKExtractFile(package, n, target, overwrite)) {
        case 0: return true;
        case -6:
            // Nothing was there before the run (that was checked), so an earlier
            // entry of the same name wrote it.
            PrintError(shown + " not extracted: " + Quoted(target.string()) +
                       " was written by an earlier entry of that name (--overwrite replaces it)");
            return false;
        default:
            PrintError(shown + " could not be extracted: the package is damaged or the file could not be written");
            return false;
    }
}

int RunMpkList(const Arguments& args) {
    args.ExpectPositionals(1, 1, "PACKAGE");
    const std::string& package = args.Positionals()[0];
    if (!PackageExists(package)) return kExitFailed;
    const cMPK mpk;
    const auto count = EntryCount(mpk, package);
    if (!count) return kExitFailed;
    const bool json = args.Has("json");
    if (json) {
        std::cout << "{\"package\":" << JsonString(package) << ",\"entries\":[";
    } else {
        std::cout << std::setw(5) << "Nr" << std::setw(13) << "Size" << std::setw(13) << "Compressed" << std::setw(7)
                  << "Ratio"
                  << "  Name\n";
    }
    for (std::int32_t n = 1; n <= *count; ++n) {
        const std::string name = Win1252ToUtf8(mpk.MPKGetFileName(package, n));
        const std::string size = mpk.MPKGetFileSize(package, n);
        const std::string compressed = mpk.MPKGetFileCompSize(package, n);
        const std::string ratio = mpk.MPKGetFileRatio(package, n);
        if (json) {
            JsonObject entry;
            entry.Add("number", n).Add("name", name);
            entry.AddRaw("size", NumberOrNull(size)).AddRaw("compressed_size", NumberOrNull(compressed));
            if (ratio.empty()) {
                entry.AddRaw("ratio", "null");
            } else {
                entry.Add("ratio", ratio);
            }
            std::cout << (n == 1 ? "\n" : ",\n") << entry.Text();
        } else {
            std::cout << std::setw(5) << n << std::setw(13) << size << std::setw(13) << compressed << std::setw(7)
                      << (ratio.empty() ? "-" : ratio) << "  " << EscapedName(name) << '\n';
        }
    }
    if (json) std::cout << "\n]}\n";
    return kExitOk;
}

int RunMpkTest(const Arguments& args) {
    args.ExpectPositionals(1, 1, "PACKAGE");
    const std::string& package = args.Positionals()[0];
    const std::string result = cMPK().MPKTestArchive(package);
    if (result == "0") {
        std::cout << package << ": intact\n";
        return kExitOk;
    }
    if (result == "-8") {
        PrintError("no such package: " + Quoted(package));
    } else if (result.empty()) {
        PrintError(Unreadable(package));
    } else {
        PrintError(NotAPackage(package) + ": its length does not match its table");
    }
    return kExitFailed;
}

int RunMpkExtract(const Arguments& args) {
    args.ExpectPositionals(1, 1, "PACKAGE");
    const std::string& package = args.Positionals()[0];
    const std::string folderText = args.Value("output").value_or(".");
    if (folderText.empty()) throw UsageError("--output needs a folder");
    if (!PackageExists(package)) return kExitFailed;
    const cMPK mpk;
    const auto count = EntryCount(mpk, package);
    if (!count) return kExitFailed;
    // Without --overwrite nothing is written when a file there would be replaced.
    const fs::path folder = fs::absolute(folderText);
    if (!args.Has("overwrite")) {
        bool clash = false;
        for (std::int32_t n = 1; n <= *count; ++n) {
            const std::string name = mpk.MPKGetFileName(package, n);
            std::error_code ec;
            if (IsPlainName(name) && fs::exists(fs::symlink_status(folder / name, ec))) {
                PrintError(Quoted((folder / name).string()) + " already exists (--overwrite replaces it)");
                clash = true;
            }
        }
        if (clash) return kExitFailed;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        PrintError("cannot create the folder " + Quoted(folder.string()) + ": " + ec.message());
        return kExitFailed;
    }
    // Entry by entry, so that one that fails does not keep the others in.
    bool allDone = true;
    for (std::int32_t n = 1; n <= *count; ++n) {
        allDone = ExtractMpkEntry(mpk, package, n, folder, args.Has("overwrite")) && allDone;
    }
    return allDone ? kExitOk : kExitFailed;
}

int RunMpkCreate(const Arguments& args) {
    args.ExpectPositionals(2, SIZE_MAX, "PACKAGE and the files to pack");
    const std::string& package = args.Positionals()[0];
    std::string list;
    for (std::size_t i = 1; i < args.Positionals().size(); ++i) {
        const std::string& file = args.Positionals()[i];
        if (file.find('|') != std::string::npos) throw UsageError("a file to pack may not have \"|\" in its name");
        if (!IsRegularFile(file)) {
            PrintError("no such file: " + Quoted(file));
            return kExitFailed;
        }
        list += (list.empty() ? "" : "|") + file;
    }
    switch (const std::int32_t code = cMPK().MPKCreate(package, list, args.Has("overwrite"))) {
        case 0: return kExitOk;
        case -4: PrintError("a file to pack does not exist"); break;
        case -7: PrintError("a package holds 1 to 99999 files"); break;
        case -12: PrintError(Quoted(package) + " already exists (--overwrite replaces it)"); break;
        case -5: PrintError(Quoted(package) + " could not be written"); break;
        default: PrintError("packing failed with code " + std::to_string(code)); break;
    }
    return kExitFailed;
}

}  // namespace

const Command kMpkListCommand{"mpk list", "list the entries of a package",
                              "Usage: varnok mpk list PACKAGE [--json]\n"
                              "\n"
                              "Lists the entries of an MPK package (a .pgi plug-in package): number, size,\n"
                              "compressed size (in bytes), ratio and name. Control characters in names are\n"
                              "shown as \\xHH, HH their code in hex; a \"\\\" that would read as such an escape\n"
                              "is shown as \\x5C.\n"
                              "\n"
                              "Options:\n"
                              "  --json   one JSON object {\"package\", \"entries\": [{number, name, size,\n"
                              "           compressed_size, ratio}]}\n",
                              kListOptions, &RunMpkList};

const Command kMpkTestCommand{"mpk test",
                              "check a package",
                              "Usage: varnok mpk test PACKAGE\n"
                              "\n"
                              "Checks that the package is exactly as long as its table says.\n",
                              {},
                              &RunMpkTest};

const Command kMpkExtractCommand{"mpk extract", "write every entry of a package out",
                                 "Usage: varnok mpk extract PACKAGE [-o DIR] [--overwrite]\n"
                                 "\n"
                                 "Writes every entry into DIR (default: the current folder), which is created\n"
                                 "when missing. Entry names that would leave DIR are refused.\n"
                                 "\n"
                                 "Options:\n"
                                 "  -o, --output DIR  the folder to write into\n"
                                 "  --overwrite       replace existing files; without it nothing is written when\n"
                                 "                    a file would be replaced, and of entries of one name only\n"
                                 "                    the first is written\n",
                                 kExtractOptions, &RunMpkExtract};

const Command kMpkCreateCommand{"mpk create", "pack files into a new package",
                                "Usage: varnok mpk create PACKAGE FILE... [--overwrite]\n"
                                "\n"
                                "Packs the files, each under its own file name, into PACKAGE.\n"
                                "\n"
                                "Options:\n"
                                "  --overwrite   replace an existing package\n",
                                kCreateOptions, &RunMpkCreate};

}  // namespace varnok::cli
