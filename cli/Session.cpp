#include "cli/Session.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "cli/Output.h"
#include "engine/ProgramInfo.h"
#include "engine/TextRules.h"
#include "formats/FormatError.h"
#include "formats/cBAG.h"
#include "formats/cRFH.h"
#include "formats/io/File.h"

namespace varnok::cli {
namespace fs = std::filesystem;

namespace {

std::string Hex(std::uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(v));
    return text;
}

}  // namespace

bool HasExtension(const std::string& path, std::string_view extension) {
    const std::string name = fs::path(path).filename().string();
    return name.size() > extension.size() &&
           UpperCaseASCII(name.substr(name.size() - extension.size())) == UpperCaseASCII(std::string(extension));
}

bool RefuseDataFile(const std::string& path) {
    if (!HasExtension(path, ".rfd")) return false;
    // The index beside it, in the letter case of the data file's extension.
    std::string index = path;
    index.back() = index.back() == 'D' ? 'H' : 'h';
    PrintError(Quoted(path) + " is a data file; an archive is named by its index, " + Quoted(index));
    return true;
}

bool CheckArchiveToChange(const std::string& path) {
    if (RefuseDataFile(path)) return false;
    std::error_code ec;
    if (HasExtension(path, ".rfh") || !fs::exists(path, ec) || cBAG().BAGValid(path)) return true;
    PrintError(Quoted(path) + " is not an archive that can be changed: give an RFH index (.rfh) or a BAG file");
    return false;
}

Answers AnswersFrom(const Arguments& args) {
    Answers a;
    a.overwrite = args.Has("overwrite");
    if (args.Has("wav")) a.convertToWave = true;
    if (args.Has("raw")) a.convertToWave = false;
    a.convertModels = args.Value("models").has_value();
    a.yes = args.Has("yes");
    a.verbose = args.Has("verbose");
    return a;
}

Session::Session(const Arguments& args)
    : ui_(AnswersFrom(args), std::cerr, ::isatty(STDIN_FILENO) == 1, ::isatty(STDERR_FILENO) == 1), engine_(ui_) {
    engine_.InitEngine();
    // The command line names the entries to remove: that is the confirmation.
    engine_.AskBeforeRemoving(false);
}

bool Session::Open(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        PrintError("no such archive: " + Quoted(path));
        return false;
    }
    if (fs::is_directory(status)) {
        PrintError(Quoted(path) + " is a folder, not an archive");
        return false;
    }
    // The engine opens what it can and stays silent about the rest, so a file it
    // could not read would list as an empty archive.
    try {
        InputFile probe(path);
    } catch (const FormatError& e) {
        PrintError(e.what());
        return false;
    }
    path_ = path;
    engine_.OpenArchive(path);
    if (engine_.ArchivePath() != path) return false;  // refused, and the user told why
    if (!engine_.IsBAG() && engine_.Index().RFHDamagedAt() == 0u) {
        PrintError(Quoted(path) + " is not an archive: neither a BAG file nor an RFH index");
        return false;
    }
    return true;
}

std::string Session::TableDamage() const {
    if (engine_.IsBAG()) {
        try {
            cBAG().BAGOpen(path_);
        } catch (const FormatError& e) {
            return std::string("the table of the BAG archive can't be read: ") + e.what();
        }
        return {};
    }
    const cRFH& index = engine_.Index();
    if (index.RFHDamagedAt()) {
        return "the index " + Quoted(path_) + " is damaged at offset " + Hex(*index.RFHDamagedAt()) + ": only the " +
               std::to_string(index.GetFileCount()) + " entries before it can be read";
    }
    if (index.RFHTruncated()) {
        return "the index " + Quoted(path_) + " holds more than " + std::to_string(kMaxEntries) +
               " entries: only the first " + std::to_string(kMaxEntries) + " can be read";
    }
    return {};
}

bool Session::RefuseChange(std::string_view what) const {
    if (engine_.IsBAG()) {
        const std::string damage = TableDamage();
        if (damage.empty()) return false;
        PrintError(damage);
        PrintError("can't " + std::string(what) + " it");
        return true;
    }
    if (engine_.Index().RFHDamagedAt()) {
        PrintError(TableDamage());
        PrintError("can't " + std::string(what) + " it: saving it would lose every entry after the damage");
        return true;
    }
    return false;
}

int Session::Result() const { return ui_.Failures() > 0 || engine_.ProblemCount() > 0 ? kExitFailed : kExitOk; }

}  // namespace varnok::cli
