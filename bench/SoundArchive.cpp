// The BAG measurements: extracting all of a 5000-entry sound archive raw and as
// WAVE files (decoding its IMA ADPCM entries) against a bare single-threaded copy
// of the same bytes into files, and adding 500 WAVE files to an archive, stored as
// they are and encoded as IMA ADPCM, against appending the same files to one file.
#include "bench/SoundArchive.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <vector>

#include "bench/QuietUi.h"
#include "engine/mVarnokEngine.h"
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

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

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

void WriteWaveFiles(const fs::path& folder) {
    fs::create_directories(folder);
    std::mt19937 rng(2002);
    for (int i = 0; i < kAddedFiles; ++i) {
        const Bytes pcm = audio::Pcm16Bytes(Tone(11025 + rng() % 33075, 0.02 + (rng() % 50) / 1000.0));
        const auto header = audio::PcmWaveHeader(1, 22050, 16, pcm.size());
        Bytes file(header.begin(), header.end());
        file.insert(file.end(), pcm.begin(), pcm.end());
        char name[16];
        std::snprintf(name, sizeof name, "new%03d.wav", i);
        WriteFile(folder / name, file.data(), file.size());
    }
}

std::vector<fs::path> WaveFiles(const Layout& layout) {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(layout.waves())) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

fs::path FreshOut(const Layout& layout) {
    fs::remove_all(layout.work());
    fs::create_directories(layout.work() / "out");
    return layout.work() / "out";
}

std::uint64_t FolderBytes(const fs::path& folder, std::size_t& files) {
    std::uint64_t total = 0;
    files = 0;
    for (const auto& e : fs::directory_iterator(folder)) {
        total += e.file_size();
        ++files;
    }
    return total;
}

std::string Written(const fs::path& out, bool ok) {
    std::size_t files = 0;
    const std::uint64_t bytes = FolderBytes(out, files);
    const std::string what = std::to_string(files) + " files, " + std::to_string(bytes >> 20) + " MB written";
    return ok && files == kEntries ? what : "FAILED: " + what;
}

// Every entry's bytes read with pread and written to a file of its own.
double CopyEntries(const Layout& layout, std::string& note) {
    const fs::path out = FreshOut(layout);
    cBAG bag;
    bag.BAGOpen(layout.sounds());
    const auto start = Clock::now();
    const int fd = ::open(layout.sounds().c_str(), O_RDONLY | O_CLOEXEC);
    Bytes buffer;
    for (std::int32_t n = 1; n <= bag.BAGGetFileCount(); ++n) {
        buffer.resize(static_cast<std::size_t>(bag.BAGGetFileSize(n)));
        if (::pread(fd, buffer.data(), buffer.size(), bag.BAGGetFileOffSet(n)) != static_cast<ssize_t>(buffer.size())) {
            throw std::runtime_error("short read");
        }
        WriteFile(out / bag.BAGGetFileName(n), buffer.data(), buffer.size());
    }
    ::close(fd);
    const double seconds = Since(start);
    note = Written(out, true);
    return seconds;
}

double ExtractAll(const Layout& layout, ConvertAnswer answer, std::string& note) {
    const fs::path out = FreshOut(layout);
    QuietUi ui;
    ui.convert = answer;
    mVarnokEngine engine(ui);
    engine.InitEngine();
    engine.OpenArchive(layout.sounds().string());
    const auto start = Clock::now();
    engine.ExtractAllFiles(out.string(), true, false, false);
    const double seconds = Since(start);
    note = Written(out, ui.messages == 0);
    return seconds;
}

double AppendFiles(const Layout& layout, std::string& note) {
    const std::vector<fs::path> files = WaveFiles(layout);
    const fs::path target = FreshOut(layout) / "appended";
    const auto start = Clock::now();
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
    const double seconds = Since(start);
    note = std::to_string(files.size()) + " files appended";
    return seconds;
}

double AddFiles(const Layout& layout, bool adpcm, std::string& note) {
    const std::vector<fs::path> files = WaveFiles(layout);
    const fs::path archive = FreshOut(layout) / "Added.bag";
    cBAG::BAGWrite(archive, {});
    cBAG bag;
    bag.BAGOpen(archive);
    const auto start = Clock::now();
    bag.BAGAddFiles(files, {.adpcm = adpcm, .name = {}});
    const double seconds = Since(start);
    const bool ok = bag.BAGGetFileCount() == kAddedFiles;
    note = (ok ? "" : "FAILED: ") + std::to_string(bag.BAGGetFileCount()) + " files added";
    return seconds;
}

}  // namespace

void WriteSoundData(const Layout& layout) {
    WriteSoundArchive(layout.sounds());
    WriteWaveFiles(layout.waves());
}

bool RunSoundOperation(const std::string& name, const Layout& layout, double& seconds, std::string& note) {
    if (name == "bag-raw")
        seconds = ExtractAll(layout, ConvertAnswer::NoToAll, note);
    else if (name == "bag-wave")
        seconds = ExtractAll(layout, ConvertAnswer::YesToAll, note);
    else if (name == "bag-copy")
        seconds = CopyEntries(layout, note);
    else if (name == "bag-add")
        seconds = AddFiles(layout, false, note);
    else if (name == "bag-add-adpcm")
        seconds = AddFiles(layout, true, note);
    else if (name == "bag-append")
        seconds = AppendFiles(layout, note);
    else
        return false;
    return true;
}

}  // namespace varnok::bench
