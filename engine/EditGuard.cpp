#include "engine/EditGuard.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "platform/FileIdentity.h"

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
    if (guard_ == nullptr) return;
    try {
        if (!guard_->WhyChanged().empty()) guard_->MarkStale();
    } catch (...) {
        guard_->MarkStale();
    }
}

void EditPermit::Confirm(const fs::path& file) const {
    const auto& files = guard_->files_;
    const std::string key = HeldKey(file);
    if (std::none_of(files.begin(), files.end(), [&](const auto& held) { return HeldKey(held->path()) == key; })) {
        throw std::logic_error("an edit tried to write " + Shown(file) + ", which is not a file of the open archive");
    }
    if (const std::string why = guard_->WhyChanged(); !why.empty()) {
        guard_->MarkStale();
        throw std::runtime_error("another program changed or replaced the archive's files during this edit (" + why +
                                 "); the edit stopped there");
    }
}

void EditPermit::Failed() noexcept { guard_->MarkStale(); }

void EditGuard::Hold(std::vector<std::shared_ptr<HeldFile>> files, fs::path lockFile) {
    files_ = std::move(files);
    lockFile_ = std::move(lockFile);
    stale_ = false;
}

void EditGuard::Forget() {
    files_.clear();
    lockFile_.clear();
    stale_ = false;
}

std::string EditGuard::WhyChanged() const {
    for (const auto& held : files_) {
        if (std::string why = held->WhyChanged(); !why.empty()) return why;
    }
    return {};
}

fs::path EditGuard::LockFileFor(const fs::path& payloads) {
    return payloads.parent_path() / ("." + payloads.filename().string() + ".vnk-lock");
}

FileLock::Attempt EditGuard::LockArchive(const fs::path& lockFile) {
    return FileLock::Acquire(lockFile, std::chrono::milliseconds(lockWaitMs.load()));
}

void EditGuard::SetLockWait(std::chrono::milliseconds wait) noexcept { lockWaitMs = wait.count(); }

EditGuard::Verdict EditGuard::Admit(std::uint64_t dataNeeds) {
    Verdict v;
    if (files_.empty()) {
        v.refusal = "No archive is open.";
        return v;
    }
    const fs::path& archive = files_.front()->path();
    FileLock::Attempt attempt = LockArchive(lockFile_);
    if (!attempt.lock) {
        v.refusal = attempt.problem.empty()
                        ? "The archive " + Shown(archive) +
                              " is being changed by another program. Try again when it has finished."
                        : "The archive " + Shown(archive) + " can't be changed: " + attempt.problem + ".";
        return v;
    }
    // Checked under the lock: a process of ours that changed the files has
    // finished before we look.
    if (!WhyChanged().empty()) {
        v.changedOutside = true;
        return v;
    }
    for (const auto& held : files_) {
        if (const std::string why = WhyNotWritable(held->path()); !why.empty()) {
            v.refusal =
                "The archive " + Shown(archive) + " can't be changed: " + why + " (" + Shown(held->path()) + ").";
            return v;
        }
    }
    if (files_.size() > 1) {
        const std::uint64_t dataSize = files_[1]->Now().size;
        if (dataSize < dataNeeds) {
            v.refusal = "The data file " + Shown(files_[1]->path()) + " holds " + std::to_string(dataSize) +
                        " bytes, but the index's entries need " + std::to_string(dataNeeds) +
                        ": it is damaged or belongs to another index, so the archive can't be changed.";
            return v;
        }
        v.unaccountedBytes = dataSize - dataNeeds;
    }
    v.permit.emplace(EditPermit(*this, std::move(*attempt.lock)));
    return v;
}

}  // namespace varnok
