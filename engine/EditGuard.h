#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "formats/io/HeldFile.h"
#include "platform/FileLock.h"

namespace varnok {

class EditGuard;

// Proof that the guard let an edit of the open archive run. While it lives this
// process holds the archive's lock, and when it was given the archive's paths
// still named the files the engine holds, nobody but us had written them since
// our last write, the user could write them, and the data file held every entry.
// The engine's writers take one as a parameter, so no edit can reach the disk
// without having passed the guard.
class EditPermit {
public:
    EditPermit(EditPermit&& other) noexcept;
    EditPermit& operator=(EditPermit&&) = delete;
    EditPermit(const EditPermit&) = delete;
    EditPermit& operator=(const EditPermit&) = delete;
    // Lets the lock go. Another program that wrote the files while the edit ran
    // leaves the table to be read again before the next edit.
    ~EditPermit();

    // Raises when `file` is not one of the archive's files, or when one of them
    // is no longer as this edit last left it: a program that ignores our lock
    // replaced or changed it meanwhile, and writing now would mix the two.
    void Confirm(const std::filesystem::path& file) const;
    // The edit failed part way: the table is read again before the next edit.
    void Failed() noexcept;

private:
    friend class EditGuard;
    EditPermit(EditGuard& guard, FileLock lock) : guard_(&guard), lock_(std::move(lock)) {}

    EditGuard* guard_;
    FileLock lock_;
};

// The files of the open archive as the engine holds them, and the one place
// that decides whether an edit of them may run. It never takes what a file is
// from its path: the held descriptors say what we read and what our last write
// left, and a path is only ever compared with them.
class EditGuard {
public:
    // The held index and data file of an RFH pair (in this order), or the one
    // BAG file; `lockFile` is the lock of the file that holds the payloads.
    void Hold(std::vector<std::shared_ptr<HeldFile>> files, std::filesystem::path lockFile);
    void Forget();
    const std::vector<std::shared_ptr<HeldFile>>& Files() const noexcept { return files_; }
    bool Holding() const noexcept { return !files_.empty(); }

    // The lock that guards `payloads` (the data file of an RFH pair, or a BAG):
    // every index that reaches one data file shares its lock.
    static std::filesystem::path LockFileFor(const std::filesystem::path& payloads);
    // Takes the lock for reading an archive or recovering it on open, waiting for
    // another holder as long as the lock wait says (3 s unless set).
    static FileLock::Attempt LockArchive(const std::filesystem::path& lockFile);
    static void SetLockWait(std::chrono::milliseconds wait) noexcept;
    const std::filesystem::path& LockFile() const noexcept { return lockFile_; }

    struct Verdict {
        std::optional<EditPermit> permit;
        bool changedOutside = false;         // the files are not the ones held: read them again
        std::string refusal;                 // why the edit may not run, when there is no permit
        std::uint64_t unaccountedBytes = 0;  // data-file bytes after the last entry's end
    };
    // `dataNeeds` is where the last entry of the index ends; the data file must
    // hold at least that. Ignored for a BAG (one held file).
    Verdict Admit(std::uint64_t dataNeeds);

    // "" while every path names its held file and nobody but us wrote them;
    // otherwise what changed.
    std::string WhyChanged() const;

    // Set after a failed or interrupted edit: the table must be read again
    // before another edit may start.
    bool Stale() const noexcept { return stale_; }
    void MarkStale() noexcept { stale_ = true; }

private:
    friend class EditPermit;
    std::vector<std::shared_ptr<HeldFile>> files_;
    std::filesystem::path lockFile_;
    bool stale_ = false;
};

}  // namespace varnok
