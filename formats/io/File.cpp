// The one unit of the format layer that talks to the operating system's file calls.
// Everything else in formats/ goes through InputFile and ReplacementFile.
#include "formats/io/File.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <string_view>

#include "formats/FormatError.h"
#include "formats/io/HeldFile.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void ThrowIo(const std::string& what, const fs::path& path, int err) {
    throw FormatError(FormatErrorKind::InputOutput, what + " \"" + path.string() + "\": " + std::strerror(err));
}

// Staging files are named "." + the target's name + kStagingInfix + a random
// suffix of kSuffixLength characters from kSuffixAlphabet.
constexpr std::string_view kStagingInfix = ".vnk-";
constexpr std::size_t kSuffixLength = 8;
constexpr std::string_view kSuffixAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";

std::string RandomSuffix() {
    static thread_local std::mt19937_64 rng{std::random_device{}() ^ static_cast<std::uint64_t>(::getpid()) << 32};
    std::string out(kSuffixLength, 'x');
    for (char& c : out) c = kSuffixAlphabet[rng() % kSuffixAlphabet.size()];
    return out;
}

// A staging file of a held file carries the name of the file it replaces in this
// attribute: only we write it, so a staging file left by a killed run of ours
// can be told from a file of the user's that merely has a name like ours.
constexpr const char* kStagingAttribute = "user.varnok.replaces";

void TagAsStaging(int fd, const fs::path& target) {
    const std::string name = target.filename().string();
    ::fsetxattr(fd, kStagingAttribute, name.data(), name.size(), 0);  // without attributes, nothing is proven
}

bool TaggedFor(const fs::path& file, const fs::path& target) {
    char value[512];
    const ssize_t n = ::lgetxattr(file.c_str(), kStagingAttribute, value, sizeof value);
    return n > 0 && std::string_view(value, static_cast<std::size_t>(n)) == target.filename().string();
}

bool IsStagingNameOf(const std::string& name, const fs::path& target) {
    const std::string prefix = "." + target.filename().string() + std::string(kStagingInfix);
    return name.size() == prefix.size() + kSuffixLength && name.starts_with(prefix) &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](char c) { return kSuffixAlphabet.find(c) != std::string_view::npos; });
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Locks a staging file just created. A clean-up in another process may have
// found it in the instant before the lock and removed it as abandoned; then the
// name no longer leads to this file, and false says to start again.
bool LockStagingFile(int fd, const fs::path& staging) {
    while (::flock(fd, LOCK_EX) != 0) {
        // Without locks on this file system the clean-up never removes anything.
        if (errno != EINTR) return true;
    }
    struct stat opened {
    }, named{};
    return ::fstat(fd, &opened) == 0 && ::lstat(staging.c_str(), &named) == 0 && SameFile(opened, named);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringAsciiCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

constexpr std::size_t kWriteBuffer = 1 << 20;
constexpr std::size_t kDirectWrite = 64 * 1024;
// Below this a copy is cheaper through the buffer than as a call of its own.
constexpr std::uint64_t kKernelCopy = 16 * 1024;

// Reads below this size that follow the previous read go through the read-ahead
// buffer; the first read of a run goes straight to the file, so a lone small
// read (a size prefix, a tiny payload) costs no more than its own bytes.
constexpr std::size_t kSmallRead = 4096;
constexpr std::size_t kReadAhead = 64 * 1024;

}  // namespace

// A file of the open archive is read through the descriptor held for it, so
// every reader sees the version that was opened.
InputFile::InputFile(const fs::path& path) : path_(path) {
    if (const auto held = HeldFile::Find(path)) {
        fd_ = held->DuplicateDescriptor();
    } else {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd_ < 0) ThrowIo("cannot open", path, errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        int err = errno;
        ::close(fd_);
        ThrowIo("cannot read", path, err);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd_);
        ThrowIo("cannot read", path, EISDIR);
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

std::size_t InputFile::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (out.size() < kSmallRead) {
        if (offset >= aheadStart_ && offset - aheadStart_ <= ahead_.size() &&
            out.size() <= ahead_.size() - (offset - aheadStart_) && !ahead_.empty()) {
            std::copy_n(ahead_.data() + (offset - aheadStart_), out.size(), out.data());
            nextRead_ = offset + out.size();
            return out.size();
        }
        if (offset == nextRead_ && offset != 0) return readAhead(offset, out);
    }
    const std::size_t done = readDirect(offset, out);
    nextRead_ = offset + done;
    return done;
}

std::size_t InputFile::readAhead(std::uint64_t offset, std::span<std::uint8_t> out) const {
    ahead_.resize(kReadAhead);
    ahead_.resize(readDirect(offset, ahead_));
    aheadStart_ = offset;
    const std::size_t done = std::min(out.size(), ahead_.size());
    std::copy_n(ahead_.data(), done, out.data());
    nextRead_ = offset + done;
    return done;
}

std::size_t InputFile::readDirect(std::uint64_t offset, std::span<std::uint8_t> out) const {
    std::size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowIo("cannot read", path_, errno);
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

Bytes InputFile::readExactly(std::uint64_t offset, std::size_t n) const {
    if (offset > size_ || n > size_ - offset) {
        throw FormatError(FormatErrorKind::Corrupt, "\"" + path_.string() + "\" ends at offset " +
                                                        std::to_string(size_) + ", but " + std::to_string(n) +
                                                        " bytes are needed at offset " + std::to_string(offset));
    }
    Bytes out(n);
    if (readAt(offset, out) != n) {
        throw FormatError(FormatErrorKind::InputOutput, "\"" + path_.string() + "\" shrank while it was read");
    }
    return out;
}

Bytes ReadWholeFile(const fs::path& path) {
    InputFile in(path);
    Bytes out(static_cast<std::size_t>(in.size()));
    out.resize(in.readAt(0, out));
    return out;
}

std::uint64_t FileLength(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) ThrowIo("cannot find", path, errno);
    if (!S_ISREG(st.st_mode)) ThrowIo("not a file:", path, EISDIR);
    return static_cast<std::uint64_t>(st.st_size);
}

bool IsRegularFile(const fs::path& path) noexcept {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

fs::path ResolveNameCase(const fs::path& path) {
    std::error_code ec;
    if (fs::exists(path, ec)) return path;
    fs::path folder = path.parent_path();
    const std::string wanted = path.filename().string();
    fs::path found;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (!EqualsIgnoringAsciiCase(it->path().filename().string(), wanted)) continue;
        if (!found.empty()) return path;  // ambiguous: keep the name as derived
        found = folder / it->path().filename();
    }
    return found.empty() ? path : found;
}

ReplacementFile::ReplacementFile(fs::path target, Sync sync, Staging staging, Target over)
    : target_(std::move(target)),
      held_(HeldFile::Find(target_)),
      sync_(sync),
      notArchiveFile_(over == Target::NotArchiveFile) {
    if (notArchiveFile_ && held_) RefuseHeldTarget(target_);
    if (staging == Staging::Unnamed && openUnnamed()) return;
    const fs::path folder = target_.parent_path();
    const std::string base = "." + target_.filename().string() + ".vnk-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        staging_ = folder / (base + RandomSuffix());
        fd_ = ::open(staging_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            if (errno != EEXIST) ThrowIo("cannot write beside", target_, errno);
            continue;
        }
        if (LockStagingFile(fd_, staging_)) break;
        ::close(fd_);
        fd_ = -1;
    }
    if (fd_ < 0) ThrowIo("cannot write beside", target_, EEXIST);
    // The lock belongs to the open file, so a second descriptor of it holds the
    // lock after finish() has closed the first.
    lockFd_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    TakeOverOwnership(fd_);
    if (held_) TagAsStaging(fd_, target_);
}

// A replacement keeps the permissions of the file it replaces, and its owner and
// group where we may give them (root may: an edit as root leaves the user's files
// the user's). The file replaced is judged by the descriptor held for it when
// there is one.
void ReplacementFile::TakeOverOwnership(int fd) const {
    struct stat st {};
    bool known = false;
    if (held_) {
        const int heldFd = held_->DuplicateDescriptor();
        known = ::fstat(heldFd, &st) == 0;
        ::close(heldFd);
    } else {
        known = ::stat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }
    if (!known) return;
    ::fchmod(fd, st.st_mode & 07777);
    if (::geteuid() == 0) {
        if (::fchown(fd, st.st_uid, st.st_gid) == 0) ::fchmod(fd, st.st_mode & 07777);
    } else if (st.st_gid != ::getegid() && ::fchown(fd, static_cast<uid_t>(-1), st.st_gid) == 0) {
        ::fchmod(fd, st.st_mode & 07777);  // a change of group clears the set-group bit
    }
}

// An unnamed file is linked in by its descriptor (AT_EMPTY_PATH), which recent
// kernels allow any process for a file it opened itself (older ones only with a
// privilege users do not have); where the kernel refuses, through its
// /proc/self/fd entry instead. That folder is opened once per
// process, so that a link walks one name instead of four; -1 when there is no
// /proc. A child made by fork opens its own: the parent's names the parent's
// descriptors.
namespace {

constexpr int kUnopened = -2;
std::mutex procFdMutex;
std::atomic<int> procFdFolder{kUnopened};
std::atomic<bool> linksByDescriptor{true};  // until the kernel says otherwise

// Held across fork, so the child never inherits the mutex locked by a thread it
// does not have.
void LockProcFdFolder() { procFdMutex.lock(); }
void UnlockProcFdFolder() { procFdMutex.unlock(); }
void ForgetProcFdFolderInChild() {
    const int fd = procFdFolder.exchange(kUnopened);
    if (fd >= 0) ::close(fd);
    procFdMutex.unlock();
}

int ProcFdFolder() {
    const int known = procFdFolder.load(std::memory_order_acquire);
    if (known != kUnopened) return known;
    const std::lock_guard lock(procFdMutex);
    if (procFdFolder.load() == kUnopened) {
        // Fails only without memory, and then nothing else here would work either.
        static const int registered = ::pthread_atfork(LockProcFdFolder, UnlockProcFdFolder, ForgetProcFdFolderInChild);
        (void)registered;
        procFdFolder.store(::open("/proc/self/fd", O_PATH | O_DIRECTORY | O_CLOEXEC), std::memory_order_release);
    }
    return procFdFolder.load();
}

// Gives the unnamed file `fd` the name `name`: 0, or why not.
int LinkUnnamed(int fd, const fs::path& name) {
    int err = ENOSYS;
    if (linksByDescriptor.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return 0;
        err = errno;
        if (err == EEXIST) return err;
    }
    const int procFd = ProcFdFolder();
    if (procFd < 0) return err;
    const std::string self = std::to_string(fd);
    if (::linkat(procFd, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) return errno;
    linksByDescriptor.store(false, std::memory_order_relaxed);  // this kernel wants the /proc way
    return 0;
}

}  // namespace

bool ReplacementFile::openUnnamed() {
    if (ProcFdFolder() < 0) return false;
    // The folder's name as the target spells it, without building a path of it.
    const std::string& target = target_.native();
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    unnamed_ = fd_ >= 0;
    // A new file (the usual extraction) has nobody's mode to take; a target that
    // exists gives its own when the file is linked in over it.
    if (unnamed_ && held_) {
        TakeOverOwnership(fd_);
        TagAsStaging(fd_, target_);
    }
    return unnamed_;  // any failure: the named staging file tries, and reports what is wrong
}

ReplacementFile::~ReplacementFile() {
    if (!committed_ && !staging_.empty()) {
        RemoveIfStillOurs(staging_, lockFd_ >= 0 ? lockFd_ : (unnamedFd_ >= 0 ? unnamedFd_ : fd_));
    }
    if (fd_ >= 0) ::close(fd_);
    if (unnamedFd_ >= 0) ::close(unnamedFd_);
    if (lockFd_ >= 0) ::close(lockFd_);
}

void ReplacementFile::writeOut(const std::uint8_t* p, std::size_t left) {
    while (left > 0) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowIo("cannot write", target_, errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

void ReplacementFile::flushBuffer() {
    writeOut(buffer_.data(), buffer_.size());
    buffer_.clear();
}

// Small pieces are gathered into the buffer; large ones go to the file as they
// are, without being copied first.
void ReplacementFile::write(const void* data, std::size_t n) {
    if (fd_ < 0) throw FormatError(FormatErrorKind::InputOutput, "write after finish: " + target_.string());
    const auto* p = static_cast<const std::uint8_t*>(data);
    written_ += n;
    if (n >= kDirectWrite) {
        flushBuffer();
        writeOut(p, n);
        return;
    }
    if (buffer_.size() + n > kWriteBuffer) flushBuffer();
    buffer_.insert(buffer_.end(), p, p + n);
}

void ReplacementFile::write(std::span<const std::uint8_t> bytes) { write(bytes.data(), bytes.size()); }

// Lets the kernel copy file to file. False when it cannot here (another file
// system, an old kernel), with offset and n moved past what it did copy.
bool ReplacementFile::copyInKernel(const InputFile& from, std::uint64_t& offset, std::uint64_t& n) {
    flushBuffer();
    while (n > 0) {
        auto in = static_cast<off_t>(offset);
        const ssize_t done = ::copy_file_range(from.fd_, &in, fd_, nullptr, static_cast<std::size_t>(n), 0);
        if (done < 0) {
            if (errno == EINTR) continue;
            if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF) {
                return false;
            }
            ThrowIo("cannot write", target_, errno);
        }
        if (done == 0) {
            throw FormatError(FormatErrorKind::InputOutput,
                              "\"" + from.path().string() + "\" ended early at offset " + std::to_string(offset));
        }
        offset += static_cast<std::uint64_t>(done);
        n -= static_cast<std::uint64_t>(done);
        written_ += static_cast<std::uint64_t>(done);
    }
    return true;
}

void ReplacementFile::copyFrom(const InputFile& from, std::uint64_t offset, std::uint64_t n) {
    if (fd_ < 0) throw FormatError(FormatErrorKind::InputOutput, "write after finish: " + target_.string());
    if (n >= kKernelCopy && copyInKernel(from, offset, n)) return;
    if (n < kKernelCopy) {
        // A small piece is read straight into the write buffer, behind what waits there.
        if (buffer_.size() + n > kWriteBuffer) flushBuffer();
        const std::size_t at = buffer_.size();
        buffer_.resize(at + static_cast<std::size_t>(n));
        const std::size_t got = from.readDirect(offset, std::span(buffer_.data() + at, static_cast<std::size_t>(n)));
        if (got != n) {
            buffer_.resize(at);
            throw FormatError(FormatErrorKind::InputOutput,
                              "\"" + from.path().string() + "\" ended early at offset " + std::to_string(offset + got));
        }
        written_ += n;
        return;
    }
    const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(n, kWriteBuffer));
    const std::unique_ptr<std::uint8_t[]> chunk(new std::uint8_t[size]);  // filled before it is read
    while (n > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(n, size));
        const std::size_t got = from.readDirect(offset, std::span(chunk.get(), want));
        if (got != want) {
            throw FormatError(FormatErrorKind::InputOutput,
                              "\"" + from.path().string() + "\" ended early at offset " + std::to_string(offset + got));
        }
        write(chunk.get(), got);
        offset += got;
        n -= got;
    }
}

void ReplacementFile::finish() {
    if (fd_ < 0) return;
    flushBuffer();
    if (sync_ == Sync::Durable && ::fsync(fd_) != 0) ThrowIo("cannot write", target_, errno);
    int fd = fd_;
    fd_ = -1;
    if (unnamed_) {
        unnamedFd_ = fd;  // commit() links it in by its descriptor
        return;
    }
    if (::close(fd) != 0) ThrowIo("cannot write", target_, errno);
}

void ReplacementFile::commitUnnamed() {
    // A held file of the open archive is always replaced through a staging
    // name: it must still be there, and still be ours, at the instant it goes.
    const bool held = held_ != nullptr;
    const int linked = held ? EEXIST : LinkUnnamed(unnamedFd_, target_);
    if (linked != 0) {
        if (linked != EEXIST) ThrowIo("cannot write", target_, linked);
        // A new name needs no look at what it names; an existing one may lead to
        // a file of the open archive under another name.
        if (notArchiveFile_) RefuseHeldTarget(target_);
        // The target exists: the file takes a staging name, locked as a named
        // staging file is, and is renamed over it.
        if (!held) TakeOverOwnership(unnamedFd_);
        while (::flock(unnamedFd_, LOCK_EX) != 0 && errno == EINTR) {
        }
        const fs::path folder = target_.parent_path();
        const std::string base = "." + target_.filename().string() + ".vnk-";
        for (int attempt = 0;; ++attempt) {
            staging_ = folder / (base + RandomSuffix());
            const int err = LinkUnnamed(unnamedFd_, staging_);
            if (err == 0) break;
            staging_.clear();
            if (err != EEXIST || attempt == 100) ThrowIo("cannot write beside", target_, err);
        }
        RenameOverHeld(staging_, target_);
    }
    committed_ = true;
    HandOver(unnamedFd_);
    unnamedFd_ = -1;
}

void RenameOverHeld(const fs::path& from, const fs::path& to) {
    const auto held = HeldFile::Find(to);
    if (!held) {
        if (::rename(from.c_str(), to.c_str()) != 0) ThrowIo("cannot replace", to, errno);
        return;
    }
    const auto replacedByOthers = [&] {
        return FormatError(FormatErrorKind::InputOutput,
                           "\"" + to.string() + "\" was replaced by another program; it was not written");
    };
    // Every held file is checked, not only this one: a program that renames a
    // pair over ours has often replaced the other file already.
    if (!HeldFile::AllStillNamed()) throw replacedByOthers();
    // The swap is the compare-and-swap: what it takes out of the name must be
    // the file held, or it goes back.
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE) == 0) {
        const auto displaced = StampOfName(from);
        if (displaced && displaced->SameFile(held->Now())) {
            ::unlink(from.c_str());
            return;
        }
        ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE);
        throw replacedByOthers();
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) ThrowIo("cannot replace", to, errno);
    // No exchange on this file system: the check above and the rename.
    if (::rename(from.c_str(), to.c_str()) != 0) ThrowIo("cannot replace", to, errno);
}

// The new file becomes the held file of its path, if the path is held; `fd` is
// this object's and is closed either way.
void ReplacementFile::HandOver(int fd) {
    if (fd < 0) return;
    if (held_) {
        ::flock(fd, LOCK_UN);  // the lock of its staging name, which it no longer has
        held_->Adopt(Descriptor(fd));
    } else {
        ::close(fd);
    }
}

void ReplacementFile::commit() {
    finish();
    if (unnamed_) {
        commitUnnamed();
        return;
    }
    if (notArchiveFile_) RefuseHeldTarget(target_);
    RenameOverHeld(staging_, target_);
    committed_ = true;
    HandOver(lockFd_);
    lockFd_ = -1;
}

Descriptor ReplacementFile::detach() {
    finish();
    committed_ = true;  // the caller owns the new file from here on
    if (unnamed_) {
        const int fd = unnamedFd_;
        unnamedFd_ = -1;
        return Descriptor(fd);
    }
    const int fd = lockFd_;
    lockFd_ = -1;
    ::flock(fd, LOCK_UN);
    return Descriptor(fd);
}

fs::path FreshStagingName(const fs::path& target) {
    return target.parent_path() / ("." + target.filename().string() + std::string(kStagingInfix) + RandomSuffix());
}

fs::path CreateFileExclusively(const fs::path& folder, const std::string& prefix, std::span<const std::uint8_t> bytes) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path path = folder / (prefix + RandomSuffix());
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            ThrowIo("cannot write", path, errno);
        }
        Descriptor file(fd);
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                const int err = errno;
                RemoveIfStillOurs(path, fd);
                ThrowIo("cannot write", path, err);
            }
            done += static_cast<std::size_t>(n);
        }
        return path;
    }
    ThrowIo("cannot write beside", folder / prefix, EEXIST);
}

int RemoveStagingFilesLeftFor(const fs::path& target) noexcept {
    try {
        int removed = 0;
        std::error_code ec;
        const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
        std::vector<fs::path> found;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            if (IsStagingNameOf(it->path().filename().string(), target)) found.push_back(it->path());
        }
        for (const fs::path& file : found) {
            struct stat st {};
            if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && TaggedFor(file, target) &&
                ::unlink(file.c_str()) == 0) {
                ++removed;
            }
        }
        return removed;
    } catch (const std::exception&) {
        return 0;  // the files simply stay
    }
}

void LinkAt(const Descriptor& file, const fs::path& name) {
    if (const int err = LinkUnnamed(file.get(), name); err != 0) ThrowIo("cannot write", name, err);
}

void RemoveIfStillOurs(const fs::path& path, int fd) noexcept {
    struct stat opened {
    }, named{};
    if (fd >= 0 && ::fstat(fd, &opened) == 0 && ::lstat(path.c_str(), &named) == 0 && SameFile(opened, named)) {
        ::unlink(path.c_str());
    }
}

void WriteIntoFileAt(const fs::path& path, std::uint64_t offset,
                     std::initializer_list<std::span<const std::uint8_t>> parts, ReplacementFile::Sync sync) {
    if (const auto held = HeldFile::Find(path)) {
        for (auto part : parts) {
            held->WriteAt(offset, part.data(), part.size());
            offset += part.size();
        }
        if (sync == ReplacementFile::Sync::Durable) held->Flush();
        return;
    }
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) ThrowIo("cannot write", path, errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    for (auto part : parts) {
        std::size_t done = 0;
        while (done < part.size()) {
            ssize_t n = ::pwrite(fd, part.data() + done, part.size() - done, static_cast<off_t>(offset));
            if (n < 0) {
                if (errno == EINTR) continue;
                ThrowIo("cannot write", path, errno);
            }
            done += static_cast<std::size_t>(n);
            offset += static_cast<std::uint64_t>(n);
        }
    }
    if (sync == ReplacementFile::Sync::Durable && ::fsync(fd) != 0) ThrowIo("cannot write", path, errno);
}

void FlushFileToDisk(const fs::path& path) {
    if (const auto held = HeldFile::Find(path)) {
        held->Flush();
        return;
    }
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return;
        ThrowIo("cannot write", path, errno);
    }
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0) ThrowIo("cannot write", path, err);
}

void RefuseHeldTarget(const fs::path& target) {
    if (HeldFile::IsHeld(target)) {
        throw FormatError(
            FormatErrorKind::InputOutput,
            "\"" + target.string() + "\" is a file of the open archive itself, so it was not written over");
    }
}

void TruncateFile(const fs::path& path, std::uint64_t length) {
    if (const auto held = HeldFile::Find(path)) {
        held->Truncate(length);
        return;
    }
    std::error_code ec;
    fs::resize_file(path, length, ec);
    if (ec) ThrowIo("cannot write", path, ec.value());
}

void WriteFileAtomically(const fs::path& target, std::span<const std::uint8_t> bytes, ReplacementFile::Sync sync,
                         ReplacementFile::Target over) {
    ReplacementFile out(target, sync, ReplacementFile::Staging::Unnamed, over);
    out.write(bytes);
    out.commit();
}

void WriteFileAtomically(const fs::path& target, std::initializer_list<std::span<const std::uint8_t>> parts) {
    ReplacementFile out(target, ReplacementFile::Sync::Durable, ReplacementFile::Staging::Unnamed);
    for (auto part : parts) out.write(part);
    out.commit();
}

}  // namespace varnok
