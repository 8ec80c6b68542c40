#include "engine/EditGuard.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace varnok {
namespace fs = std::filesystem;

namespace {

// Long enough for another process's removal or index save to finish, short
// enough that a user waiting on a long add elsewhere hears why at once.
std::atomic<std::chrono::milliseconds::rep> lockWaitMs{3000};

std::string Shown(const fs::path& p) { return "\"" + p.string() + "\""; }

}  // namespace

EditPermit::EditPermit(EditPermit&& other) noexcept : guard_(other.guard_), lock_(std::move(other.lock_)) {
    other.guard_ = nullptr;
}

EditPermit::~EditPermit() {
    if (guard_ != nullptr) guard_->Remember();
}

void EditPermit::Confirm(const fs::path& file) const {
    const auto& files = guard_->files_;
    if (std::find(files.begin(), files.end(), file) == files.end()) {
        throw std::logic_error("an edit tried to write " + Shown(file) + ", which is not a file of the open archive");
    }
    if (!guard_->Unchanged()) {
        throw std::runtime_error(
            "another program changed or replaced the archive's files during this edit; "
            "the edit stopped there");
    }
}

void EditPermit::Wrote() { guard_->Remember(); }

void EditGuard::Watch(std::vector<fs::path> files) {
    files_ = std::move(files);
    Remember();
}

void EditGuard::Forget() {
    files_.clear();
    known_.clear();
}

void EditGuard::Remember() {
    known_.clear();
    for (const auto& f : files_) known_.push_back(FileIdentity::Of(f));
}

bool EditGuard::Unchanged() const {
    for (std::size_t i = 0; i < files_.size(); ++i) {
        if (!(FileIdentity::Of(files_[i]) == known_[i])) return false;
    }
    return true;
}

fs::path EditGuard::LockFileFor(const fs::path& archive) {
    return archive.parent_path() / ("." + archive.filename().string() + ".vnk-lock");
}

std::optional<FileLock> EditGuard::LockArchive(const fs::path& archive) {
    return FileLock::Acquire(LockFileFor(archive), std::chrono::milliseconds(lockWaitMs.load()));
}

void EditGuard::SetLockWait(std::chrono::milliseconds wait) noexcept { lockWaitMs = wait.count(); }

EditGuard::Verdict EditGuard::Admit(std::uint64_t dataNeeds) {
    Verdict v;
    if (files_.empty()) {
        v.refusal = "No archive is open.";
        return v;
    }
    const fs::path& archive = files_.front();
    std::optional<FileLock> lock = LockArchive(archive);
    if (!lock) {
        const std::string why = WhyNotWritable(archive);
        v.refusal = why.empty() ? "The archive " + Shown(archive) +
                                      " is being changed by another program. Try again when it has finished."
                                : "The archive " + Shown(archive) + " can't be changed: " + why + ".";
        return v;
    }
    // Checked under the lock: a process of ours that changed the files has
    // finished before we look.
    if (!Unchanged()) {
        v.changedOutside = true;
        return v;
    }
    for (const auto& file : files_) {
        if (!FileIdentity::Of(file).exists) {
            v.refusal = (file == archive ? "The archive " : "The data file ") + Shown(file) +
                        " is missing, so the archive can't be changed: its entries would point at bytes that are "
                        "not there.";
            return v;
        }
        if (const std::string why = WhyNotWritable(file); !why.empty()) {
            v.refusal = "The archive " + Shown(archive) + " can't be changed: " + why + " (" + Shown(file) + ").";
            return v;
        }
    }
    if (files_.size() > 1) {
        const std::uint64_t dataSize = known_[1].size;
        if (dataSize < dataNeeds) {
            v.refusal = "The data file " + Shown(files_[1]) + " holds " + std::to_string(dataSize) +
                        " bytes, but the index's entries need " + std::to_string(dataNeeds) +
                        ": it is damaged or belongs to another index, so the archive can't be changed.";
            return v;
        }
        v.unaccountedBytes = dataSize - dataNeeds;
    }
    v.permit.emplace(EditPermit(*this, std::move(*lock)));
    return v;
}

}  // namespace varnok
