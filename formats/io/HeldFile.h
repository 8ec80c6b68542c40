#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace varnok {

// What tells one version of a file from another without reading it: the file
// itself (device and inode), its length and its last change, as the open file
// says them.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;

    bool SameFile(const FileStamp& other) const noexcept { return device == other.device && inode == other.inode; }
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// An open file descriptor, closed when the object goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) noexcept : fd_(fd) {}
    ~Descriptor();
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const noexcept { return fd_; }
    int release() noexcept;
    // What the open file is now.
    FileStamp Stamp() const;

private:
    int fd_;
};

// What `path` itself names (a link is not followed), if anything.
std::optional<FileStamp> StampOfName(const std::filesystem::path& path);

// One file of the open archive, held open from the moment it was read until the
// archive is closed. Every read of the archive goes through the descriptor held
// here, so a program that renames another file over ours changes nothing we
// read. While a file is held, the file layer serves any InputFile of its path
// from it, writes into it in place only through it, and a replacement committed
// over its path hands the new file over to it.
//
// `Expected()` is the file as our last own write left it, taken from the open
// file and never from the path. An edit may run only while the path still names
// the held file and the held file is still as expected.
class HeldFile {
public:
    // Opens `path` (a path without symbolic links in it) for reading, without
    // following a link, and holds it. FormatError(InputOutput) when it can't.
    static std::shared_ptr<HeldFile> Hold(const std::filesystem::path& path);
    // The file held for `path`, if any.
    static std::shared_ptr<HeldFile> Find(const std::filesystem::path& path);
    // True when `path`, or the file a link there leads to, is a held file.
    static bool IsHeld(const std::filesystem::path& path);
    // True when every held file is still named by its path.
    static bool AllStillNamed();

    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    const std::filesystem::path& path() const noexcept { return path_; }
    // The held file as it is now, and as our last write left it.
    FileStamp Now() const;
    FileStamp Expected() const noexcept { return expected_; }
    // True when the path names the held file (not a link to it, not another file).
    bool StillNamed() const;
    // True when nobody but us wrote the held file since we last did.
    bool Unchanged() const { return Now() == expected_; }
    // Why an edit may not write this file now ("" when it may): the path names
    // another file, or another program wrote the file since our last write.
    std::string WhyChanged() const;

    // True when `path`, or the file a link there leads to, is the held file.
    bool ReachedBy(const std::filesystem::path& path) const;
    // The held file was renamed by us: it is held under its new path.
    void MoveTo(const std::filesystem::path& path);

    // A second descriptor of the held file, for one reader (its own file offset
    // does not matter: every read gives its offset).
    int DuplicateDescriptor() const;

    // Our own commit: `fd` is the file just renamed over the path; it becomes the
    // held file, as it is now. Takes ownership of `fd`.
    void Adopt(Descriptor file);
    // Our own write into the held file just ended: it is expected as it is now.
    void Refresh();

    // Writes into the held file at `offset`, first checking that it is unchanged
    // since our last write; it is expected as it is afterwards.
    void WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t n);
    void Flush();
    void Truncate(std::uint64_t length);

private:
    HeldFile(std::filesystem::path path, int fd);
    int WritableDescriptor();

    std::filesystem::path path_;
    // Readers on other threads (the preview, extraction's workers) take second
    // descriptors while an edit may hand a new file over.
    mutable std::mutex fdMutex_;
    int fd_ = -1;
    int writeFd_ = -1;  // opened on the first write, checked to be the held file
    FileStamp expected_;
};

// The key under which a path is held: the same for every spelling of one path.
std::string HeldKey(const std::filesystem::path& path);

}  // namespace varnok
