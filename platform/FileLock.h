#pragma once

#include <chrono>
#include <filesystem>
#include <optional>

namespace varnok {

// An exclusive advisory lock on a lock file, shared by every process of ours
// that changes the file it guards. The lock file is created when missing and
// removed again when the lock is released, so a folder keeps no trace of it; a
// lock file left behind by a killed process holds no lock and is taken over.
class FileLock {
public:
    // Takes the lock, waiting at most `wait` for another holder to let go. Empty
    // when the wait ran out or the lock file can't be made (a read-only folder).
    static std::optional<FileLock> Acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds wait);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    const std::filesystem::path& path() const noexcept { return path_; }
    bool held() const noexcept { return fd_ >= 0; }

private:
    FileLock(std::filesystem::path path, int fd) : path_(std::move(path)), fd_(fd) {}
    void release() noexcept;

    std::filesystem::path path_;
    int fd_ = -1;
};

}  // namespace varnok
