#include "tests/torture/ForeignWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace varnok::torture {

namespace fs = std::filesystem;

namespace {

void RenameOrThrow(const fs::path& from, const fs::path& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        throw std::runtime_error("the foreign writer cannot rename " + from.string() + " to " + to.string());
    }
}

// Closes a descriptor when it goes out of scope.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

fs::path ForeignWriter::Template(const char* extension) const { return templates_ / (std::string("F.") + extension); }

fs::path ForeignWriter::Copy(const Archive& archive, int n, const char* extension) const {
    return archive.Side() / ("F" + std::to_string(n) + "." + extension);
}

void ForeignWriter::Prepare(const Archive& archive, int n) const {
    const std::vector<const char*> extensions =
        archive.kind == ArchiveKind::Rfh ? std::vector<const char*>{"rfh", "rfd"} : std::vector<const char*>{"bag"};
    for (const char* extension : extensions) {
        fs::copy_file(Template(extension), Copy(archive, n, extension), fs::copy_options::overwrite_existing);
    }
}

Replacement ForeignWriter::RenameOver(const Archive& archive, int n) const {
    Replacement r;
    r.start = Clock::now();
    if (archive.kind == ArchiveKind::Rfh) {
        RenameOrThrow(Copy(archive, n, "rfd"), archive.DataFile());
        RenameOrThrow(Copy(archive, n, "rfh"), archive.Path());
    } else {
        RenameOrThrow(Copy(archive, n, "bag"), archive.Path());
    }
    r.end = Clock::now();
    return r;
}

void ForeignWriter::Append(const Archive& archive, std::mt19937_64& rng) const {
    std::vector<unsigned char> junk(1 + rng() % 400);
    for (auto& b : junk) b = static_cast<unsigned char>(rng());
    const Descriptor file{::open(archive.DataFile().c_str(), O_WRONLY | O_APPEND | O_CLOEXEC)};
    if (file.fd < 0) return;  // the archive is being replaced; nothing to append to
    if (::write(file.fd, junk.data(), junk.size()) < 0) throw std::runtime_error("the foreign append failed");
}

// Reads the first bytes of the data file and writes them back through the same
// descriptor: the file's times change, its bytes do not. Only the first few
// bytes: varnok writes a data file in place only after its last entry, and a
// BAG's first bytes are its constant magic, so a varnok write landing between the
// read and the write is undone by it only in a pair without entries.
void ForeignWriter::RewriteInPlace(const Archive& archive) const {
    constexpr std::size_t kRewritten = 4;
    const Descriptor file{::open(archive.DataFile().c_str(), O_RDWR | O_CLOEXEC)};
    if (file.fd < 0) return;
    unsigned char bytes[kRewritten];
    const ssize_t got = ::pread(file.fd, bytes, sizeof bytes, 0);
    if (got <= 0) return;
    if (::pwrite(file.fd, bytes, static_cast<std::size_t>(got), 0) != got) {
        throw std::runtime_error("the foreign rewrite failed");
    }
}

void ForeignWriter::Restore(const Archive& archive) const {
    constexpr int kRestoreCopy = -1;
    Prepare(archive, kRestoreCopy);
    RenameOver(archive, kRestoreCopy);
}

}  // namespace varnok::torture
