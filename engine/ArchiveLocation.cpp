#include "engine/ArchiveLocation.h"

#include <system_error>
#include <vector>

#include "engine/TextRules.h"
#include "platform/AsciiCase.h"
#include "platform/FileIdentity.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

std::string Quoted(const fs::path& p) { return "\"" + p.string() + "\""; }

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

fs::path Real(const fs::path& p) {
    std::error_code ec;
    fs::path real = fs::canonical(p, ec);
    return ec ? p : real;
}

// The entries of `folder` whose names equal `name` in ASCII letters of any case.
std::vector<fs::path> CaseTwins(const fs::path& folder, const std::string& name) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (SameName(it->path().filename().string(), name)) found.push_back(it->path());
    }
    return found;
}

struct DataFound {
    fs::path data;
    bool throughCase = false;
    std::vector<fs::path> candidates;
};

// The data file the index at `index` names: its exact name, or its one case twin.
DataFound FindDataFile(const fs::path& index) {
    DataFound found;
    const fs::path derived = DataFilePath(index.string());
    if (derived.empty()) return found;
    if (Exists(derived)) {
        found.data = derived;
        return found;
    }
    found.candidates = CaseTwins(derived.parent_path(), derived.filename().string());
    if (found.candidates.size() == 1) {
        found.data = found.candidates.front();
        found.throughCase = true;
    }
    return found;
}

}  // namespace

std::string WhyReadOnlyFile(const fs::path& file) { return WhyNotWritable(file); }

ArchiveLocation LocateArchive(const std::string& path, bool bag) {
    ArchiveLocation where;
    where.index = Real(path);
    if (bag) return where;
    // The data file beside the name the user gave, or else beside the real
    // index: a mod folder may link to the index alone.
    DataFound found = FindDataFile(path);
    if (found.data.empty() && found.candidates.empty() && where.index != fs::path(path)) {
        found = FindDataFile(where.index);
    }
    if (found.data.empty()) {
        const fs::path derived = DataFilePath(path);
        if (found.candidates.size() > 1) {
            where.dataProblem = "The data file of " + Quoted(path) + " can't be told: its folder holds " +
                                std::to_string(found.candidates.size()) + " files named " + Quoted(derived.filename()) +
                                " in different letter case (";
            for (std::size_t i = 0; i < found.candidates.size(); ++i) {
                where.dataProblem += (i ? ", " : "") + found.candidates[i].filename().string();
            }
            where.dataProblem += "). The archive is opened read-only, without its payloads.";
        } else {
            where.dataProblem = "The data file " + Quoted(derived) +
                                " of this index is missing. The archive is "
                                "opened read-only, without its payloads.";
        }
        return where;
    }
    where.data = Real(found.data);
    if (found.throughCase) {
        const fs::path given(path);
        for (const fs::path& twin : CaseTwins(given.parent_path(), given.filename().string())) {
            if (twin.filename() != given.filename()) {
                where.readOnlyReason = "The data file " + Quoted(found.data) + " belongs to " + Quoted(twin) +
                                       " by its exact name; " + Quoted(given.filename()) +
                                       " reaches it only by letter case, so it is opened read-only.";
                break;
            }
        }
    }
    return where;
}

}  // namespace varnok
