#include "engine/PairCommit.h"

#include <cstdio>
#include <string>
#include <system_error>

#include "formats/FormatError.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

fs::path StagingName(const fs::path& file) {
    return file.parent_path() / ("." + file.filename().string() + ".vnk-new");
}

void RenameOrThrow(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (ec) {
        throw FormatError(FormatErrorKind::InputOutput, "cannot replace \"" + to.string() + "\": " + ec.message());
    }
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

}  // namespace

PairCommit::PairCommit(fs::path index, fs::path data) : index_(std::move(index)), data_(std::move(data)) {}

fs::path PairCommit::StagedIndex() const { return StagingName(index_); }
fs::path PairCommit::StagedData() const { return StagingName(data_); }

void PairCommit::Commit(const std::function<void(ReplacementFile&)>& writeData,
                        const std::function<void(const fs::path&)>& writeIndex) const {
    const fs::path stagedData = StagedData();
    const fs::path stagedIndex = StagedIndex();
    try {
        {
            ReplacementFile data(stagedData);
            writeData(data);
            data.commit();
        }
        writeIndex(stagedIndex);
    } catch (...) {
        std::error_code ec;
        fs::remove(stagedIndex, ec);
        fs::remove(stagedData, ec);
        throw;
    }
    RenameOrThrow(stagedData, data_);  // the commit point
    RenameOrThrow(stagedIndex, index_);
}

PairCommit::Recovery PairCommit::RecoverPair() const {
    const fs::path stagedData = StagedData();
    const fs::path stagedIndex = StagedIndex();
    Recovery result = Recovery::Nothing;
    std::error_code ec;
    if (Exists(stagedData)) {
        // The change never reached its commit point: the originals are intact.
        // The staged index goes first, so that a second interruption here cannot
        // leave it alone and be taken for a change past the commit point.
        fs::remove(stagedIndex, ec);
        fs::remove(stagedData, ec);
        result = Recovery::Discarded;
    } else if (Exists(stagedIndex)) {
        RenameOrThrow(stagedIndex, index_);
        result = Recovery::Finished;
    }
    RemoveAbandonedStagingFiles();
    return result;
}

// A process killed while writing leaves its unique staging files behind
// (".NAME.vnk-xxxxxxxx"); they hold nothing anyone needs.
void PairCommit::RemoveAbandonedStagingFiles() const {
    std::error_code ec;
    const fs::path folder = index_.parent_path().empty() ? fs::path(".") : index_.parent_path();
    const std::string prefixes[] = {"." + index_.filename().string() + ".vnk-",
                                    "." + data_.filename().string() + ".vnk-",
                                    "." + StagedIndex().filename().string() + ".vnk-",
                                    "." + StagedData().filename().string() + ".vnk-"};
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        for (const auto& prefix : prefixes) {
            if (name.size() == prefix.size() + 8 && name.compare(0, prefix.size(), prefix) == 0) {
                std::error_code ignored;
                fs::remove(it->path(), ignored);
                break;
            }
        }
    }
}

}  // namespace varnok
