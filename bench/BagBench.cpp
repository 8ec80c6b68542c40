// The BAG benchmark: extracting all of a 5000-entry sound archive raw and as WAVE
// files (decoding its IMA ADPCM entries) against a bare single-threaded copy of
// the same bytes into files, and adding 500 WAVE files to an archive, stored as
// they are and encoded as IMA ADPCM, against appending the same files to one file.
//
//   varnok_bag_bench [--reps N]     data and outputs under /dev/shm, removed at the end
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/QuietUi.h"
#include "engine/mVarnokEngine.h"
#include "formats/audio/ImaAdpcm.h"
#include "formats/audio/Wave.h"
#include "formats/cBAG.h"

namespace varnok::bench {
namespace {
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr int kEntries = 5000;
constexpr int kAddedFiles = 500;
constexpr std::size_t kBlock = 512;

void WriteFile(const fs::path& path, const std::uint8_t* p, std::size_t n) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot write " + path.string());
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w <= 0) throw std::runtime_error("write failed: " + path.string());
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    ::close(fd);
}

// ADPCM blocks as the game's speech holds them: valid headers, codes that wander.
Bytes AdpcmBlocks(std::mt19937& rng, std::size_t blocks) {
    Bytes out(blocks * kBlock);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    for (std::size_t at = 0; at < out.size(); at += kBlock) {
        out[at + 2] = static_cast<std::uint8_t>(rng() % 89);
        out[at + 3] = 0;
    }
    return out;
}

std::vector<std::int16_t> Tone(std::size_t samples, double step) {
    std::vector<std::int16_t> out(samples);
    for (std::size_t i = 0; i < samples; ++i) out[i] = static_cast<std::int16_t>(9000 * std::sin(step * double(i)));
    return out;
}

// 70% ADPCM entries (Type 28) of 10 to 60 blocks, 30% 16-bit PCM (Type 6) of 10 to 60 KB.
void WriteSoundArchive(const fs::path& file) {
    std::mt19937 rng(2001);
    std::vector<BAGWriteEntry> entries;
    for (int i = 0; i < kEntries; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "snd%05d", i);
        if (rng() % 10 < 7) {
            entries.push_back({name, 22050, 28, static_cast<std::int32_t>(kBlock), AdpcmBlocks(rng, 10 + rng() % 51)});
        } else {
            const auto pcm = audio::Pcm16Bytes(Tone((10 + rng() % 51) * 512, 0.01 + (rng() % 100) / 1000.0));
            entries.push_back({name, 22050, 6, 0, pcm});
        }
    }
    cBAG::BAGWrite(file, entries);
}

// 16-bit mono WAVE files of 0.5 to 2 seconds at 22050 Hz.
std::vector<fs::path> WriteWaveFiles(const fs::path& folder) {
    fs::create_directories(folder);
    std::mt19937 rng(2002);
    std::vector<fs::path> files;
    for (int i = 0; i < kAddedFiles; ++i) {
        const Bytes pcm = audio::Pcm16Bytes(Tone(11025 + rng() % 33075, 0.02 + (rng() % 50) / 1000.0));
        const auto header = audio::PcmWaveHeader(1, 22050, 16, pcm.size());
        Bytes file(header.size() + pcm.size());
        std::copy(header.begin(), header.end(), file.begin());
        std::copy(pcm.begin(), pcm.end(), file.begin() + static_cast<std::ptrdiff_t>(header.size()));
        files.push_back(folder / ("new" + std::to_string(i) + ".wav"));
        WriteFile(files.back(), file.data(), file.size());
    }
    return files;
}

double Time(const std::function<void()>& setUp, const std::function<void()>& run, int reps) {
    double best = 1e30;
    for (int r = 0; r < reps; ++r) {
        setUp();
        const auto start = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

void Fresh(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
}

// Every entry's bytes read with pread and written to a file of its own.
void CopyEntries(const fs::path& bagFile, const fs::path& out) {
    cBAG bag;
    bag.BAGOpen(bagFile);
    const int fd = ::open(bagFile.c_str(), O_RDONLY | O_CLOEXEC);
    Bytes buffer;
    for (std::int32_t n = 1; n <= bag.BAGGetFileCount(); ++n) {
        buffer.resize(static_cast<std::size_t>(bag.BAGGetFileSize(n)));
        if (::pread(fd, buffer.data(), buffer.size(), bag.BAGGetFileOffSet(n)) != static_cast<ssize_t>(buffer.size())) {
            throw std::runtime_error("short read");
        }
        WriteFile(out / bag.BAGGetFileName(n), buffer.data(), buffer.size());
    }
    ::close(fd);
}

void ExtractAll(const fs::path& bagFile, const fs::path& out, ConvertAnswer answer) {
    QuietUi ui;
    ui.convert = answer;
    mVarnokEngine engine(ui);
    engine.InitEngine();
    engine.OpenArchive(bagFile.string());
    engine.ExtractAllFiles(out.string(), true, false, false);
    if (ui.messages != 0) throw std::runtime_error("the extraction reported failures");
}

void AppendFiles(const std::vector<fs::path>& files, const fs::path& target) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    Bytes buffer;
    for (const fs::path& file : files) {
        const int in = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        buffer.resize(static_cast<std::size_t>(fs::file_size(file)));
        if (::read(in, buffer.data(), buffer.size()) != static_cast<ssize_t>(buffer.size())) {
            throw std::runtime_error("short read");
        }
        ::close(in);
        if (::write(fd, buffer.data(), buffer.size()) != static_cast<ssize_t>(buffer.size())) {
            throw std::runtime_error("short write");
        }
    }
    ::close(fd);
}

std::uint64_t FolderBytes(const fs::path& folder) {
    std::uint64_t total = 0;
    for (const auto& e : fs::directory_iterator(folder)) total += e.file_size();
    return total;
}

}  // namespace
}  // namespace varnok::bench

int main(int argc, char** argv) {
    using namespace varnok;
    using namespace varnok::bench;
    int reps = 3;
    if (argc == 3 && std::strcmp(argv[1], "--reps") == 0) reps = std::max(1, std::atoi(argv[2]));
    const fs::path root = fs::path("/dev/shm") / ("varnok-bag-bench-" + std::to_string(::getpid()));
    fs::create_directories(root);
    const fs::path bagFile = root / "Sounds.bag", out = root / "out", work = root / "work";
    WriteSoundArchive(bagFile);
    const std::vector<fs::path> waves = WriteWaveFiles(root / "new");
    std::printf("archive: %d entries, %.1f MB; %d WAVE files to add, %.1f MB\n", kEntries,
                double(fs::file_size(bagFile)) / 1e6, kAddedFiles, double(FolderBytes(root / "new")) / 1e6);

    const auto freshOut = [&] { Fresh(out); };
    const double copy = Time(freshOut, [&] { CopyEntries(bagFile, out); }, reps);
    const double raw = Time(freshOut, [&] { ExtractAll(bagFile, out, ConvertAnswer::NoToAll); }, reps);
    const double wav = Time(freshOut, [&] { ExtractAll(bagFile, out, ConvertAnswer::YesToAll); }, reps);
    const double wavBytes = double(FolderBytes(out)) / 1e6;

    const auto freshBag = [&] {
        Fresh(work);
        cBAG::BAGWrite(work / "Added.bag", {});
    };
    const double append = Time(freshBag, [&] { AppendFiles(waves, work / "appended"); }, reps);
    const double addPcm = Time(freshBag, [&] {
        cBAG bag;
        bag.BAGOpen(work / "Added.bag");
        bag.BAGAddFiles(waves);
    }, reps);
    const double addAdpcm = Time(freshBag, [&] {
        cBAG bag;
        bag.BAGOpen(work / "Added.bag");
        bag.BAGAddFiles(waves, {.adpcm = true, .name = {}});
    }, reps);

    std::printf("| operation | ours (s) | baseline | baseline (s) | ratio | goal |\n|---|---:|---|---:|---:|---:|\n");
    std::printf("| extract all raw | %.3f | pread + write every entry | %.3f | **%.2fx** | <= 0.7x |\n", raw, copy,
                raw / copy);
    std::printf("| extract all as WAVE (%.0f MB out) | %.3f | pread + write every entry | %.3f | **%.2fx** |",
                wavBytes, wav, copy, wav / copy);
    std::printf(" <= 1.0x |\n");
    std::printf("| add 500 WAVE files | %.3f | append the 500 files to one file | %.3f | **%.2fx** | |\n", addPcm,
                append, addPcm / append);
    std::printf("| add 500 WAVE files as IMA ADPCM | %.3f | append the 500 files to one file | %.3f | **%.2fx** | |\n",
                addAdpcm, append, addAdpcm / append);
    fs::remove_all(root);
    return 0;
}
