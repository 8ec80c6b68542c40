#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace varnok {
namespace fs = std::filesystem;

namespace {

constexpr auto kRetryInterval = std::chrono::milliseconds(20);

// True when `fd` is still the file that `path` names: a holder that released
// the lock unlinks the file, and a lock taken on an unlinked file guards nothing.
bool StillNamed(int fd, const fs::path& path) {
    struct stat open {
    }, named{};
    if (::fstat(fd, &open) != 0 || ::stat(path.c_str(), &named) != 0) return false;
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

}  // namespace

std::optional<FileLock> FileLock::Acquire(const fs::path& lockFile, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return std::nullopt;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (StillNamed(fd, lockFile)) return FileLock(lockFile, fd);
            ::close(fd);  // the holder before us removed it: take the new one
            continue;
        }
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK && error != EINTR) return std::nullopt;
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(kRetryInterval);
    }
}

FileLock::FileLock(FileLock&& other) noexcept : path_(std::move(other.path_)), fd_(other.fd_) { other.fd_ = -1; }

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        path_ = std::move(other.path_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

FileLock::~FileLock() { release(); }

// The file goes while the lock is still held, so a waiting process either finds
// it gone or notices that what it locked is no longer named.
void FileLock::release() noexcept {
    if (fd_ < 0) return;
    ::unlink(path_.c_str());
    ::close(fd_);
    fd_ = -1;
}

}  // namespace varnok
