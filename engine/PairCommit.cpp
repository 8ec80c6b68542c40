#include "engine/PairCommit.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <system_error>

#include "formats/FormatError.h"
#include "formats/cRFH.h"

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

namespace {

// The staged files are new files; they take the modes of the ones they replace,
// so a private archive stays private.
void KeepMode(const fs::path& original, const fs::path& staged) {
    std::error_code ec;
    const fs::file_status status = fs::status(original, ec);
    if (ec || !fs::exists(status)) return;
    fs::permissions(staged, status.permissions(), fs::perm_options::replace, ec);
    if (ec) {
        throw FormatError(
            FormatErrorKind::InputOutput,
            "cannot give \"" + staged.string() + "\" the permissions of the file it replaces: " + ec.message());
    }
}

}  // namespace

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
        KeepMode(data_, stagedData);
        KeepMode(index_, stagedIndex);
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
    const std::string prefixes[] = {
        "." + index_.filename().string() + ".vnk-", "." + data_.filename().string() + ".vnk-",
        "." + StagedIndex().filename().string() + ".vnk-", "." + StagedData().filename().string() + ".vnk-",
        "." + AddMarker(data_).MarkerPath().filename().string() + ".vnk-"};
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

AddMarker::AddMarker(fs::path data) : data_(std::move(data)) {}

fs::path AddMarker::MarkerPath() const { return data_.parent_path() / ("." + data_.filename().string() + ".vnk-add"); }

void AddMarker::Begin(std::uint64_t keepLength) const {
    const std::string text = std::to_string(keepLength) + "\n";
    WriteFileAtomically(MarkerPath(), std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                        ReplacementFile::Sync::ProcessSafe);
}

void AddMarker::End() const {
    std::error_code ec;
    fs::remove(MarkerPath(), ec);
}

bool AddMarker::Recover(const fs::path& index) const {
    const fs::path marker = MarkerPath();
    if (!Exists(marker)) return false;
    std::uint64_t keep = 0;
    try {
        const Bytes text = ReadWholeFile(marker);
        keep = std::stoull(std::string(text.begin(), text.end()));
        cRFH table;
        table.RFHOpen(index);
        // A damaged or cut-short table does not say where its entries end.
        if (table.RFHDamagedAt() || table.RFHTruncated()) return false;
        keep = std::max<std::uint64_t>(keep, static_cast<std::uint64_t>(table.RFHNextOffSet()));
    } catch (const std::exception&) {
        return false;  // the marker stays: nothing is cut on a guess
    }
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(data_, ec);
    bool cut = false;
    if (!ec && size > keep) {
        fs::resize_file(data_, keep, ec);
        cut = !ec;
        if (ec) return false;
    }
    End();
    return cut;
}

}  // namespace varnok
