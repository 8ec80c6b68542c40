// Feeds arbitrary bytes as a package to every reading operation of cMPK. Any result
// code is fine; a crash, a hang or a sanitizer report is not.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>

#include "formats/cMPK.h"
#include "formats/io/File.h"
#include "fuzz/Replay.h"

namespace {
namespace fs = std::filesystem;

constexpr int kMaxEntries = 16;  // entries extracted one by one per input

// A folder of this process's own under the temp folder, removed when the run ends.
class Scratch {
public:
    Scratch() : root_(fs::temp_directory_path() / ("fuzz_mpk-" + std::to_string(::getpid()))) {
        fs::create_directories(root_);
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    const fs::path& root() const { return root_; }

private:
    fs::path root_;
};

const fs::path& ScratchRoot() {
    static const Scratch scratch;
    return scratch.root();
}

int CountOf(const std::string& text) {
    int count = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), count);
    return ec == std::errc() && end == text.data() + text.size() ? count : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path& root = ScratchRoot();
    const fs::path package = root / "input.pgi";
    const fs::path entryFile = root / "entry";
    const fs::path folder = root / "all";
    varnok::WriteFileAtomically(package, std::span<const std::uint8_t>(data, size));

    const varnok::cMPK mpk;
    (void)mpk.MPKTestArchive(package);
    const int count = std::min(CountOf(mpk.MPKGetFileCount(package)), kMaxEntries);
    for (int i = 0; i <= count + 1; ++i) {  // 0 and count + 1 lie outside the table
        (void)mpk.MPKGetFileName(package, i);
        (void)mpk.MPKGetFileSize(package, i);
        (void)mpk.MPKGetFileCompSize(package, i);
        (void)mpk.MPKGetFileRatio(package, i);
        (void)mpk.MPKExtractFile(package, i, entryFile, true);
    }
    (void)mpk.MPKExtractAll(package, folder);

    std::error_code ec;
    fs::remove(entryFile, ec);
    fs::remove_all(folder, ec);
    return 0;
}
