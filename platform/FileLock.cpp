#include "platform/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace varnok {
namespace fs = std::filesystem;

namespace {

constexpr auto kRetryInterval = std::chrono::milliseconds(20);

std::function<void(const fs::path&)>& OpenedHook() {
    static std::function<void(const fs::path&)> hook;
    return hook;
}

// True when `fd` is still the file that `path` names (the name itself, not a
// link): a holder that released the lock unlinks the file, and a lock taken on
// an unlinked or replaced file guards nothing.
bool StillNamed(int fd, const fs::path& path) {
    struct stat open {
    }, named{};
    if (::fstat(fd, &open) != 0 || ::lstat(path.c_str(), &named) != 0) return false;
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// The lock file, created when missing; read-only when it exists but may not be
// written (another user left it), since a lock works on either.
int OpenLockFile(const fs::path& lockFile, std::string& problem) {
    int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        fd = ::open(lockFile.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    }
    if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) return fd;
        ::close(fd);
        problem = "the lock file \"" + lockFile.string() + "\" is not a regular file";
        return -1;
    }
    const int err = errno;
    if (err == ELOOP) {
        problem = "the lock file \"" + lockFile.string() + "\" is a symbolic link, which is never followed";
    } else {
        problem = "the lock file \"" + lockFile.string() + "\" can't be made or opened: " + std::strerror(err);
    }
    return -1;
}

}  // namespace

void FileLock::SetOpenedHook(std::function<void(const fs::path&)> hook) { OpenedHook() = std::move(hook); }

FileLock::Attempt FileLock::Acquire(const fs::path& lockFile, std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    Attempt attempt;
    for (;;) {
        const int fd = OpenLockFile(lockFile, attempt.problem);
        if (fd < 0) return attempt;
        if (OpenedHook()) OpenedHook()(lockFile);
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (StillNamed(fd, lockFile)) {
                attempt.lock.emplace(FileLock(lockFile, fd));
                return attempt;
            }
            ::close(fd);  // the holder before us removed it: take the new one
            continue;
        }
        const int error = errno;
        ::close(fd);
        if (error != EWOULDBLOCK && error != EINTR) {
            attempt.problem = "the lock file \"" + lockFile.string() + "\" can't be locked: " + std::strerror(error);
            return attempt;
        }
        if (std::chrono::steady_clock::now() >= deadline) return attempt;
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
// it gone or notices that what it locked is no longer named. Only the file we
// locked is removed, never another one that took its name.
void FileLock::release() noexcept {
    if (fd_ < 0) return;
    if (StillNamed(fd_, path_)) ::unlink(path_.c_str());
    ::close(fd_);
    fd_ = -1;
}

}  // namespace varnok
