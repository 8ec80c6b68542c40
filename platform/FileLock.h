#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace varnok {

// An exclusive advisory lock on a lock file, shared by every process of ours
// that changes the file it guards. The lock file is created when missing and
// removed again when the lock is released, so a folder keeps no trace of it; a
// lock file left behind by a killed process holds no lock and is taken over,
// even one another user left (it is then opened for reading, which locks as
// well). The lock file is never reached through a symbolic link.
class FileLock {
public:
    struct Attempt;
    // Takes the lock, waiting at most `wait` for another holder to let go. On
    // failure, `problem` says why when it is not simply another holder (a
    // read-only folder, a link in the lock file's place, no permission).
    static Attempt Acquire(const std::filesystem::path& lockFile, std::chrono::milliseconds wait);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    const std::filesystem::path& path() const noexcept { return path_; }
    bool held() const noexcept { return fd_ >= 0; }

    // For tests: called between opening the lock file and locking it, the one
    // instant in which another process may remove and recreate it.
    static void SetOpenedHook(std::function<void(const std::filesystem::path&)> hook);

private:
    FileLock(std::filesystem::path path, int fd) : path_(std::move(path)), fd_(fd) {}
    void release() noexcept;

    std::filesystem::path path_;
    int fd_ = -1;
};

struct FileLock::Attempt {
    std::optional<FileLock> lock;
    std::string problem;  // "" when the lock is held, or another holder kept it
};

}  // namespace varnok
