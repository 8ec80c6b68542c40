// Opens arbitrary bytes as an index, reads every entry through every accessor,
// and checks that saving keeps exactly the entries that could be read.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "formats/FormatError.h"
#include "formats/cRFH.h"
#include "formats/io/File.h"
#include "fuzz/Replay.h"

namespace {
namespace fs = std::filesystem;

// Memory-backed when the system has it: saving syncs to disk on every run.
fs::path ScratchRoot() {
    std::error_code ec;
    return fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

// One folder per fuzzing process, removed when it exits.
struct WorkDir {
    fs::path path = ScratchRoot() / ("varnok-fuzz-rfh-" + std::to_string(::getpid()));
    WorkDir() { fs::create_directories(path); }
    ~WorkDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

void WriteInput(const fs::path& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) std::abort();
}

// The accessors live in another unit, so their results need not be used.
void ReadEveryEntry(const varnok::cRFH& t) {
    for (std::int32_t n = 1; n <= t.GetFileCount(); ++n) {
        (void)t.GetFileName(n), (void)t.GetFilePath(n), (void)t.GetFileNaneLen(n), (void)t.GetDateAdded(n);
        (void)t.GetPacked(n), (void)t.GetRatio(n), (void)t.GetPackedSize(n), (void)t.GetOriginalSize(n);
        (void)t.GetOffSet(n);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static WorkDir dir;
    static varnok::cRFH table, reopened;  // reused, as the engine reuses its one object
    const fs::path in = dir.path / "in.rfh", out = dir.path / "out.rfh";
    WriteInput(in, data, size);
    try {
        table.RFHOpen(in);
        ReadEveryEntry(table);
        table.RFHSave(out);
        reopened.RFHOpen(out);
        if (reopened.GetFileCount() != table.GetFileCount() || reopened.RFHDamagedAt()) std::abort();
        // The saved index is the input up to the end of its last whole entry.
        const varnok::Bytes saved = varnok::ReadWholeFile(out);
        if (saved.size() > size || !std::equal(saved.begin(), saved.end(), data)) std::abort();
        if (table.GetFileCount() > 0) {
            table.RFHRemoveFiles({1, table.GetFileCount() / 2 + 1});
            (void)table.RFHNextOffSet();
        }
    } catch (const varnok::FormatError&) {
    }
    return 0;
}
