// The open archive's files as held: the one place that keeps descriptors of
// them and compares what a path names with what we hold.
#include "formats/io/HeldFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>
#include <vector>

#include "formats/FormatError.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

std::mutex registryMutex;
std::map<std::string, std::weak_ptr<HeldFile>>& Registry() {
    static std::map<std::string, std::weak_ptr<HeldFile>> held;
    return held;
}

[[noreturn]] void ThrowIo(const std::string& what, const fs::path& path, int err) {
    throw FormatError(FormatErrorKind::InputOutput, what + " \"" + path.string() + "\": " + std::strerror(err));
}

std::int64_t Nanoseconds(const timespec& t) { return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec; }

FileStamp StampOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size), Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim)};
}

FileStamp StampOfDescriptor(int fd, const fs::path& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) ThrowIo("cannot read", path, errno);
    return StampOf(st);
}

}  // namespace

namespace {

// True when lexically_normal would give the path back as it is: no empty, "." or
// ".." component and no separator at the end. Most paths are, and then the key
// costs no parse.
bool LooksNormal(std::string_view path) {
    if (path.empty() || path.back() == '/') return false;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if ((part.empty() && start != 0) || part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

std::string HeldKey(const fs::path& path) {
    return LooksNormal(path.native()) ? path.native() : path.lexically_normal().string();
}

Descriptor::~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

int Descriptor::release() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

FileStamp Descriptor::Stamp() const { return StampOfDescriptor(fd_, fs::path("(open file)")); }

std::optional<FileStamp> StampOfName(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    return StampOf(st);
}

HeldFile::HeldFile(fs::path path, int fd) : path_(std::move(path)), fd_(fd) {
    expected_ = StampOfDescriptor(fd_, path_);
}

std::shared_ptr<HeldFile> HeldFile::Hold(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) ThrowIo("cannot open", path, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int err = errno != 0 && !S_ISREG(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        ThrowIo("cannot read", path, err);
    }
    std::shared_ptr<HeldFile> held(new HeldFile(path, fd));
    const std::lock_guard lock(registryMutex);
    Registry()[HeldKey(path)] = held;
    return held;
}

std::shared_ptr<HeldFile> HeldFile::Find(const fs::path& path) {
    const std::string key = HeldKey(path);  // outside the lock: workers look up at once
    const std::lock_guard lock(registryMutex);
    auto& registry = Registry();
    if (registry.empty()) return nullptr;
    const auto it = registry.find(key);
    return it == registry.end() ? nullptr : it->second.lock();
}

namespace {

std::vector<std::shared_ptr<HeldFile>> AllHeld() {
    std::vector<std::shared_ptr<HeldFile>> held;
    const std::lock_guard lock(registryMutex);
    for (const auto& [key, weak] : Registry()) {
        if (auto h = weak.lock()) held.push_back(std::move(h));
    }
    return held;
}

}  // namespace

bool HeldFile::AllStillNamed() {
    for (const auto& h : AllHeld()) {
        if (!h->StillNamed()) return false;
    }
    return true;
}

// One call on the usual path (a target that does not exist yet); a descriptor's
// device and inode never change, so the held side needs none.
bool HeldFile::IsHeld(const fs::path& path) {
    struct stat linked {
    }, named{};
    if (::lstat(path.c_str(), &linked) != 0) return false;
    const bool link = S_ISLNK(linked.st_mode);
    if (link && ::stat(path.c_str(), &named) != 0) return false;
    const FileStamp found = StampOf(link ? named : linked);
    for (const auto& h : AllHeld()) {
        if (h->Expected().SameFile(found)) return true;
    }
    return false;
}

HeldFile::~HeldFile() {
    {
        const std::lock_guard lock(registryMutex);
        auto& registry = Registry();
        const auto it = registry.find(HeldKey(path_));
        // A newer hold of the same path stays registered.
        if (it != registry.end() && it->second.expired()) registry.erase(it);
    }
    if (writeFd_ >= 0) ::close(writeFd_);
    if (fd_ >= 0) ::close(fd_);
}

FileStamp HeldFile::Now() const {
    const std::lock_guard lock(fdMutex_);
    return StampOfDescriptor(fd_, path_);
}

bool HeldFile::StillNamed() const {
    struct stat named {};
    if (::lstat(path_.c_str(), &named) != 0 || !S_ISREG(named.st_mode)) return false;
    return StampOf(named).SameFile(Now());
}

std::string HeldFile::WhyChanged() const {
    if (!StillNamed()) return "\"" + path_.string() + "\" is no longer the file that was opened";
    if (!Unchanged()) return "\"" + path_.string() + "\" was written by another program";
    return {};
}

bool HeldFile::ReachedBy(const fs::path& path) const {
    struct stat named {};
    return ::stat(path.c_str(), &named) == 0 && StampOf(named).SameFile(Now());
}

void HeldFile::MoveTo(const fs::path& path) {
    const std::lock_guard lock(registryMutex);
    auto& registry = Registry();
    const auto it = registry.find(HeldKey(path_));
    std::weak_ptr<HeldFile> self;
    if (it != registry.end()) {
        self = it->second;
        registry.erase(it);
    }
    path_ = path;
    if (!self.expired()) registry[HeldKey(path_)] = self;
}

int HeldFile::DuplicateDescriptor() const {
    const std::lock_guard lock(fdMutex_);
    const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) ThrowIo("cannot read", path_, errno);
    return fd;
}

void HeldFile::Adopt(Descriptor file) {
    if (writeFd_ >= 0) ::close(writeFd_);
    writeFd_ = -1;
    const std::lock_guard lock(fdMutex_);
    ::close(fd_);
    fd_ = file.release();
    expected_ = StampOfDescriptor(fd_, path_);
}

void HeldFile::Refresh() { expected_ = Now(); }

// The held descriptor is read-only; a second one for writing is opened through
// the path, and used only when it leads to the very file held.
int HeldFile::WritableDescriptor() {
    if (writeFd_ >= 0) return writeFd_;
    const int fd = ::open(path_.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) ThrowIo("cannot write", path_, errno);
    if (!StampOfDescriptor(fd, path_).SameFile(Now())) {
        ::close(fd);
        throw FormatError(FormatErrorKind::InputOutput,
                          "\"" + path_.string() + "\" was replaced by another program; nothing was written to it");
    }
    writeFd_ = fd;
    return writeFd_;
}

void HeldFile::WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t n) {
    const int fd = WritableDescriptor();
    if (!Unchanged()) {
        throw FormatError(FormatErrorKind::InputOutput,
                          "\"" + path_.string() + "\" was written by another program; nothing was written to it");
    }
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w = ::pwrite(fd, data + done, n - done, static_cast<off_t>(offset + done));
        if (w < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            Refresh();  // what did reach the file is ours, to be cut back
            ThrowIo("cannot write", path_, err);
        }
        done += static_cast<std::size_t>(w);
    }
    Refresh();
}

void HeldFile::Flush() {
    const std::lock_guard lock(fdMutex_);
    if (::fsync(fd_) != 0) ThrowIo("cannot write", path_, errno);
}

void HeldFile::Truncate(std::uint64_t length) {
    const int fd = WritableDescriptor();
    if (!Unchanged()) {
        throw FormatError(FormatErrorKind::InputOutput,
                          "\"" + path_.string() + "\" was written by another program; it was not cut back");
    }
    if (::ftruncate(fd, static_cast<off_t>(length)) != 0) ThrowIo("cannot write", path_, errno);
    Refresh();
}

}  // namespace varnok
