// Feeds arbitrary entry fields and data-file bytes to the payload reader and to
// the block remover. Input: offset, packed size, original size (4 bytes each,
// little-endian), one flag byte, then the data file.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

#include "formats/FormatError.h"
#include "formats/cRFD.h"
#include "formats/io/ByteReader.h"
#include "formats/io/File.h"
#include "fuzz/Replay.h"

namespace {
namespace fs = std::filesystem;

constexpr std::uint8_t kPacked = 1;
constexpr std::uint8_t kNearData = 2;  // fold offset and size into the data file's range
constexpr std::uint8_t kRemove = 4;

// Memory-backed when the system has it: saving syncs to disk on every run.
fs::path ScratchRoot() {
    std::error_code ec;
    return fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

// One folder per fuzzing process, removed when it exits.
struct WorkDir {
    fs::path path = ScratchRoot() / ("varnok-fuzz-rfd-" + std::to_string(::getpid()));
    WorkDir() { fs::create_directories(path); }
    ~WorkDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

struct Fields {
    std::int32_t offset, packedSize, origSize;
    std::uint8_t flags;
};

Fields ReadFields(std::span<const std::uint8_t> head, std::size_t dataSize) {
    varnok::ByteReader r(head);
    Fields f{r.i32le(), r.i32le(), r.i32le(), r.u8()};
    if (f.flags & kNearData) {
        const std::uint32_t span = static_cast<std::uint32_t>(dataSize) + 8;
        f.offset = static_cast<std::int32_t>(static_cast<std::uint32_t>(f.offset) % span);
        f.packedSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(f.packedSize) % span);
    }
    return f;
}

void WriteInput(const fs::path& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::abort();
}

template <typename Fn>
bool Try(Fn fn) {
    try {
        fn();
        return true;
    } catch (const varnok::FormatError&) {
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHead = 13;
    if (size < kHead) return 0;
    static WorkDir dir;
    const std::span<const std::uint8_t> file(data + kHead, size - kHead);
    const Fields f = ReadFields({data, kHead}, file.size());
    const fs::path rfdPath = dir.path / "a.rfd", outPath = dir.path / "out.bin";
    WriteInput(rfdPath, file);
    varnok::cRFD rfd;
    rfd.RFDOpen(rfdPath);

    Try([&] { (void)rfd.RFDGetOriginalSize(f.offset); });
    const bool packed = f.flags & kPacked;
    if (Try([&] { rfd.RFDExtractFile(f.offset, f.packedSize, f.origSize, outPath, packed); })) {
        const std::uint64_t expected = static_cast<std::uint64_t>(packed ? f.origSize : f.packedSize);
        if (varnok::FileLength(outPath) != expected) std::abort();
    }
    if (f.flags & kRemove && Try([&] { rfd.RFDRemoveFile(f.offset, f.packedSize); })) {
        const std::uint64_t from = std::min<std::uint64_t>(static_cast<std::uint64_t>(f.offset), file.size());
        const std::uint64_t to = std::min<std::uint64_t>(from + static_cast<std::uint64_t>(f.packedSize), file.size());
        if (varnok::FileLength(rfdPath) != file.size() - (to - from)) std::abort();
    }
    return 0;
}
