#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "formats/io/HeldFile.h"

namespace varnok {

using Bytes = std::vector<std::uint8_t>;

// A file opened for reading, closed when the object goes. Failures to open or read
// raise FormatError(InputOutput) naming the path.
//
// Small reads that follow each other, as a reader of an index or a header makes,
// are served from a read-ahead buffer, so one object belongs to one thread at a
// time, and bytes written to the file through another handle while it is open may
// not be seen. Only readAtUnbuffered and ReplacementFile::copyFrom may use one
// object from several threads at once.
class InputFile {
public:
    explicit InputFile(const std::filesystem::path& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    std::uint64_t size() const noexcept { return size_; }
    const std::filesystem::path& path() const noexcept { return path_; }

    // Reads up to out.size() bytes at offset; returns how many were there. Reading at
    // or past the end returns 0.
    std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) const;

    // Exactly n bytes at offset, or a FormatError(Corrupt) that says where the file ends.
    Bytes readExactly(std::uint64_t offset, std::size_t n) const;

    // readAt without the read-ahead buffer: for large reads, and for several threads
    // sharing the file.
    std::size_t readAtUnbuffered(std::uint64_t offset, std::span<std::uint8_t> out) const {
        return readDirect(offset, out);
    }

private:
    friend class ReplacementFile;
    std::size_t readAhead(std::uint64_t offset, std::span<std::uint8_t> out) const;
    std::size_t readDirect(std::uint64_t offset, std::span<std::uint8_t> out) const;

    std::filesystem::path path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
    mutable Bytes ahead_;  // bytes from aheadStart_ on
    mutable std::uint64_t aheadStart_ = 0;
    mutable std::uint64_t nextRead_ = 0;  // where a read that follows the last one starts
};

// The whole file, never more than it really holds.
Bytes ReadWholeFile(const std::filesystem::path& path);

// The length of an existing regular file; FormatError(InputOutput) otherwise.
std::uint64_t FileLength(const std::filesystem::path& path);

bool IsRegularFile(const std::filesystem::path& path) noexcept;

// If `path` does not exist but exactly one entry of its folder has the same name up
// to ASCII letter case, that entry's path; otherwise `path` unchanged.
std::filesystem::path ResolveNameCase(const std::filesystem::path& path);

// Writes a new version of a file beside it and renames it over the target, so the
// target holds either its old bytes or all the new ones, never a mix. The staging
// file is created exclusively, without following links, with a unique name,
// ".NAME.vnk-xxxxxxxx", and takes the mode, owner and group of the file it
// replaces; if the object goes without commit(), the staging file is removed (if
// its name still leads to it) and the target is untouched. Nothing ever deletes a
// staging file by its name alone.
class ReplacementFile {
public:
    // Durable replacements reach the disk before they are renamed into place, so
    // even a power cut leaves the old file or the new one. Extracted copies of
    // entries, which the archive still holds, need only survive the process.
    enum class Sync { Durable, ProcessSafe };

    // Where the new bytes wait for the target's name. Named: in the staging file
    // described above. Unnamed: in a file without a name in the target's folder
    // (O_TMPFILE), which commit() links in under the target's name, so a process
    // killed before leaves nothing behind and creating the file costs less; a
    // target that already exists is replaced through a locked staging name. Where
    // the file system has no unnamed files, the named staging file is used.
    enum class Staging { Named, Unnamed };

    // Whether the target may be a file of the open archive. An extracted copy may
    // not: RefuseHeldTarget's error is raised when the target is a held file's own
    // name (at once) or an existing name that leads to one, through a hard or
    // symbolic link (at commit(), so that a new name costs no look).
    enum class Target { Any, NotArchiveFile };

    explicit ReplacementFile(std::filesystem::path target, Sync sync = Sync::Durable, Staging staging = Staging::Named,
                             Target over = Target::Any);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    void write(std::span<const std::uint8_t> bytes);
    void write(const void* data, std::size_t n);

    // Copies n bytes of `from` starting at offset into the replacement; the kernel
    // copies them when it can.
    void copyFrom(const InputFile& from, std::uint64_t offset, std::uint64_t n);

    std::uint64_t written() const noexcept { return written_; }
    const std::filesystem::path& target() const noexcept { return target_; }
    const std::filesystem::path& stagingPath() const noexcept { return staging_; }

    // Flushes the new bytes to disk and closes the staging file; the target is
    // still the old one. commit() calls it when it has not been called.
    void finish();

    // Renames the staging file over the target, or links the unnamed file in.
    // When the target is a held file of the open archive, it must still be the
    // file held, and the new file is handed over to the hold.
    void commit();

    // Finishes the replacement but leaves it where it is, for a caller that puts
    // it in place itself: an unnamed file stays unnamed (see LinkAt), a named one
    // keeps its staging name. Returns a descriptor of it, the caller's.
    Descriptor detach();
    bool isUnnamed() const noexcept { return unnamed_; }

private:
    bool openUnnamed();
    void TakeOverOwnership(int fd) const;
    void HandOver(int fd);
    void commitUnnamed();
    void flushBuffer();
    void writeOut(const std::uint8_t* p, std::size_t n);
    bool copyInKernel(const InputFile& from, std::uint64_t& offset, std::uint64_t& n);

    std::filesystem::path target_;
    std::shared_ptr<HeldFile> held_;  // the hold of the target's path, if the open archive holds it
    std::filesystem::path staging_;
    int fd_ = -1;
    int lockFd_ = -1;     // keeps the staging file's lock from finish() to the rename
    int unnamedFd_ = -1;  // the unnamed file from finish() until commit() links it in
    bool unnamed_ = false;
    std::uint64_t written_ = 0;
    std::vector<std::uint8_t> buffer_;
    bool committed_ = false;
    Sync sync_;
    bool notArchiveFile_;
};

// Writes the parts one after another into the file at `offset`, creating the file
// when it is missing. Bytes already there are overwritten; the file grows as needed
// and is never shortened. A durable write is flushed to disk before this returns;
// a process-safe one is left to FlushFileToDisk, so that a batch of writes pays
// for one flush.
void WriteIntoFileAt(const std::filesystem::path& path, std::uint64_t offset,
                     std::initializer_list<std::span<const std::uint8_t>> parts,
                     ReplacementFile::Sync sync = ReplacementFile::Sync::Durable);

// Flushes what was written to an existing file to disk; a missing file has nothing
// to flush.
void FlushFileToDisk(const std::filesystem::path& path);

// Raises when `target` is, or leads to, a file of the open archive (by what the
// file is, so hard and symbolic links count): an extracted copy must never be
// written over the archive it comes from.
void RefuseHeldTarget(const std::filesystem::path& target);

// Cuts a file back to `length` bytes (a held file through its descriptor).
void TruncateFile(const std::filesystem::path& path, std::uint64_t length);

// A staging name beside `target` that nothing has yet: ".NAME.vnk-xxxxxxxx".
std::filesystem::path FreshStagingName(const std::filesystem::path& target);

// Renames `from` over `to`. When `to` is a held file of the open archive, only
// while it, and every other held file, is still the file held; the file system's
// atomic exchange makes the check and the replacement one step where it can.
void RenameOverHeld(const std::filesystem::path& from, const std::filesystem::path& to);

// Makes a new file `folder`/`prefix`xxxxxxxx under a name nothing has, without
// following links, with `bytes`; returns its path.
std::filesystem::path CreateFileExclusively(const std::filesystem::path& folder, const std::string& prefix,
                                            std::span<const std::uint8_t> bytes);

// Removes the staging files a killed run of ours left for `target`, a file of
// the open archive: only those that carry the mark every staging file of a held
// file is given, naming `target`. Call it only under the archive's lock, when
// no edit of ours can be writing one. Returns how many went.
int RemoveStagingFilesLeftFor(const std::filesystem::path& target) noexcept;

// Gives the unnamed file open as `file` the name `name`, which must not exist.
void LinkAt(const Descriptor& file, const std::filesystem::path& name);

// Removes `path` only while it still names the file open as `fd`: a name is
// never enough to delete a file by.
void RemoveIfStillOurs(const std::filesystem::path& path, int fd) noexcept;

// Replaces `target` with `bytes` through a ReplacementFile.
void WriteFileAtomically(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                         ReplacementFile::Sync sync = ReplacementFile::Sync::Durable,
                         ReplacementFile::Target over = ReplacementFile::Target::Any);

// Replaces `target` with the concatenation of the given parts.
void WriteFileAtomically(const std::filesystem::path& target,
                         std::initializer_list<std::span<const std::uint8_t>> parts);

}  // namespace varnok
