// Feeds arbitrary bytes to cBAG as a BAG file: validation, open, every accessor and
// the extraction of each entry. A FormatError is an expected answer to bad bytes;
// anything else (a crash, a sanitizer report, another exception) is a bug.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "formats/FormatError.h"
#include "formats/cBAG.h"

namespace {
namespace fs = std::filesystem;

constexpr std::int32_t kMaxEntriesPerInput = 40;

// One folder per fuzzing process, removed when the process ends normally.
struct ScratchFolder {
    fs::path path = fs::temp_directory_path() / ("varnok-fuzz-bag-" + std::to_string(::getpid()));
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
    (void)bag.BAGGetFileSize(n);
    (void)bag.BAGGetFileOffSet(n);
    (void)bag.BAGGetFileFrequency(n);
    (void)bag.BAGGetFileType(n);
    (void)bag.BAGGetFileExtraInfo(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path input = Scratch() / "input.bag";
    const fs::path target = Scratch() / "entry.out";
    WriteInput(input, data, size);

    varnok::cBAG bag;
    bool answer = false;
    bag.SetConvertQuestion([&answer](const std::string&) { return (answer = !answer) ? varnok::ConvertAnswer::Yes : varnok::ConvertAnswer::No; });

    (void)bag.BAGValid(input);
    Tolerate([&] {
        bag.BAGOpen(input);
        (void)bag.BAGValid("");
        (void)bag.BAGGetGameType(0);
        (void)bag.BAGGetFileRecordLength();
        const std::int32_t count = std::min(bag.BAGGetFileCount(), kMaxEntriesPerInput);
        for (std::int32_t n = 1; n <= count; ++n) {
            QueryEntry(bag, n);
            Tolerate([&] { bag.BAGExtractFile(n, target); });
        }
    });
    Tolerate([&] { QueryEntry(bag, 0); });
    Tolerate([&] { QueryEntry(bag, varnok::cBAG::kMaxRecords + 1); });
    bag.BAGClose();
    return 0;
}
