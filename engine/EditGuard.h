#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileIdentity.h"
#include "platform/FileLock.h"

namespace varnok {

class EditGuard;

// Proof that the guard let an edit of the open archive run. While it lives this
// process holds the archive's lock, and when it was given the archive's files
// were the ones the engine had read, the user could write them, and the data
// file held every entry. The engine's writers take one as a parameter, so no
// edit can reach the disk without having passed the guard.
class EditPermit {
public:
    EditPermit(EditPermit&& other) noexcept;
    EditPermit& operator=(EditPermit&&) = delete;
    EditPermit(const EditPermit&) = delete;
    EditPermit& operator=(const EditPermit&) = delete;
    // Remembers the files as this edit leaves them, then lets the lock go.
    ~EditPermit();

    // Raises when `file` is not one of the archive's files, or when one of them
    // is no longer as this edit last left it: a program that ignores our lock
    // replaced or changed it meanwhile, and writing now would mix the two.
    void Confirm(const std::filesystem::path& file) const;
    // To be called after each write of ours, so the next Confirm expects it.
    void Wrote();

private:
    friend class EditGuard;
    EditPermit(EditGuard& guard, FileLock lock) : guard_(&guard), lock_(std::move(lock)) {}

    EditGuard* guard_;
    FileLock lock_;
};

// The files of the open archive as the engine read them, and the one place that
// decides whether an edit of them may run.
class EditGuard {
public:
    // What the archive's files are: the index and the data file of an RFH pair
    // (in this order), or the one BAG file.
    void Watch(std::vector<std::filesystem::path> files);
    void Forget();
    // Takes the identities of the watched files as they are now. Call it before
    // reading them, so that a change made while they are read is noticed later.
    void Remember();
    const std::vector<std::filesystem::path>& Files() const noexcept { return files_; }

    // The archive's lock file, beside its first file.
    static std::filesystem::path LockFileFor(const std::filesystem::path& archive);
    // Takes the lock of an archive for reading it or recovering it on open,
    // waiting for another holder as long as the lock wait says (3 s unless set).
    static std::optional<FileLock> LockArchive(const std::filesystem::path& archive);
    static void SetLockWait(std::chrono::milliseconds wait) noexcept;

    struct Verdict {
        std::optional<EditPermit> permit;
        bool changedOutside = false;         // the files are not the ones read: reload them
        std::string refusal;                 // why the edit may not run, when there is no permit
        std::uint64_t unaccountedBytes = 0;  // data-file bytes after the last entry's end
    };
    // `dataNeeds` is where the last entry of the index ends; the data file must
    // hold at least that. Ignored for a BAG (one watched file).
    Verdict Admit(std::uint64_t dataNeeds);

    bool Unchanged() const;

private:
    friend class EditPermit;
    std::vector<std::filesystem::path> files_;
    std::vector<FileIdentity> known_;
};

}  // namespace varnok
