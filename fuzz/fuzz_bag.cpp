// Feeds arbitrary bytes to cBAG as a BAG file: validation, open, every accessor and
// each entry read raw and converted to WAVE, in memory. A FormatError is an
// expected answer to bad bytes; anything else (a crash, a sanitizer report,
// another exception) is a bug.
//
// The input file lives on /dev/shm when there is one, and nothing is written with
// fsync, so an execution costs microseconds rather than a disk flush.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "formats/FormatError.h"
#include "formats/cBAG.h"
#include "fuzz/Replay.h"

namespace {
namespace fs = std::filesystem;

constexpr std::int32_t kMaxEntriesPerInput = 40;

fs::path ScratchRoot() {
    std::error_code ec;
    return fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

// One folder per fuzzing process, removed when the process ends normally.
struct ScratchFolder {
    fs::path path = ScratchRoot() / ("varnok-fuzz-bag-" + std::to_string(::getpid()));
    ScratchFolder() { fs::create_directories(path); }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

const fs::path& Scratch() {
    static ScratchFolder folder;
    return folder.path;
}

void WriteInput(const fs::path& file, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

template <typename Fn>
void Tolerate(Fn fn) {
    try {
        fn();
    } catch (const varnok::FormatError&) {
    }
}

void QueryEntry(const varnok::cBAG& bag, std::int32_t n) {
    (void)bag.BAGGetFileName(n);
    (void)bag.BAGGetConvertedName(n);
    (void)bag.BAGCanConvert(n);
    (void)bag.BAGGetFileSize(n);
    (void)bag.BAGGetFileOffSet(n);
    (void)bag.BAGGetFileFrequency(n);
    (void)bag.BAGGetFileType(n);
    (void)bag.BAGGetFileExtraInfo(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path input = Scratch() / "input.bag";
    WriteInput(input, data, size);

    varnok::cBAG bag;
    bool yes = false;
    bag.SetConvertQuestion(
        [&yes](const std::string&) { return (yes = !yes) ? varnok::ConvertAnswer::Yes : varnok::ConvertAnswer::No; });

    (void)bag.BAGValid(input);
    Tolerate([&] {
        bag.BAGOpen(input);
        (void)bag.BAGValid("");
        (void)bag.BAGGetGameType(0);
        (void)bag.BAGGetFileRecordLength();
        const std::int32_t count = std::min(bag.BAGGetFileCount(), kMaxEntriesPerInput);
        for (std::int32_t n = 1; n <= count; ++n) {
            QueryEntry(bag, n);
            (void)bag.BAGFindFile(bag.BAGGetFileName(n));
            Tolerate([&] { (void)bag.BAGReadFile(n, false); });
            Tolerate([&] { (void)bag.BAGReadFile(n, bag.BAGAskToConvert(n)); });
        }
    });
    Tolerate([&] { QueryEntry(bag, 0); });
    Tolerate([&] { QueryEntry(bag, varnok::cBAG::kMaxRecords + 1); });
    bag.BAGClose();
    return 0;
}
