// varnok_bench: times the engine's long operations on a game-sized archive against
// bare zlib and file calls on the same data, and prints one table of ratios.
//
// Every measurement runs in a process of its own, so that its peak resident memory
// is its own; the driver generates the data, starts them and prints the table.
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/GameData.h"
#include "bench/Operations.h"
#include "bench/SoundArchive.h"
#include "engine/WorkerPool.h"

extern char** environ;

namespace varnok::bench {
namespace {
namespace fs = std::filesystem;

struct Options {
    fs::path dir;
    int reps = 3;
    int workers = -1;  // one per core
    bool keep = false;
    std::vector<std::string> only;  // the operations to run; empty: all
    std::string run, result;
};

struct Measured {
    double seconds = 1e9;
    long peakKb = 0;
    std::string note;
};

[[noreturn]] void Usage() {
    std::fprintf(stderr,
                 "usage: varnok_bench [--dir DIR] [--reps N] [--workers N] [--keep] [--only OPS]\n"
                 "  --dir DIR     where the archives go (default: a new folder in /dev/shm)\n"
                 "  --reps N      runs of each operation; the fastest counts (default 3)\n"
                 "  --workers N   worker threads of the engine (default: one per core)\n"
                 "  --keep        keep the generated files (a second run with --dir reuses them)\n"
                 "  --only OPS    run only these operations, separated by commas (bag-raw,bag-copy)\n");
    std::exit(2);
}

std::vector<std::string> SplitAtCommas(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');) parts.push_back(part);
    return parts;
}

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Usage();
            return argv[++i];
        };
        if (a == "--dir")
            o.dir = value();
        else if (a == "--reps")
            o.reps = std::max(1, std::stoi(value()));
        else if (a == "--workers")
            o.workers = std::stoi(value());
        else if (a == "--keep")
            o.keep = true;
        else if (a == "--only")
            o.only = SplitAtCommas(value());
        else if (a == "--run")
            o.run = value();
        else if (a == "--result")
            o.result = value();
        else
            Usage();
    }
    return o;
}

// The high-water mark of this process's own memory. getrusage's ru_maxrss would
// not do: it carries the parent's peak across the exec that started this process.
long PeakResidentKb() {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, 6, "VmHWM:") == 0) return std::stol(line.substr(6));
    }
    return 0;
}

void WriteData(const Layout& layout);

int RunChild(const Options& o) {
    if (o.workers >= 0) WorkerPool::SetDefaultWorkers(static_cast<unsigned>(o.workers));
    std::string note;
    double seconds = 0;
    if (o.run == "generate") {
        const auto start = std::chrono::steady_clock::now();
        WriteData(Layout{o.dir});
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        note = "written";
    } else {
        seconds = RunOperation(o.run, Layout{o.dir}, note);
    }
    std::ofstream(o.result) << seconds << " " << PeakResidentKb() << "\n" << note << "\n";
    return 0;
}

Measured Spawn(const Options& o, const std::string& operation) {
    const std::string result = (o.dir / ("result-" + operation)).string();
    std::vector<std::string> args = {"/proc/self/exe", "--run",        operation,
                                     "--dir",          o.dir.string(), "--result",
                                     result,           "--workers",    std::to_string(o.workers)};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot start a measurement");
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    Measured m;
    std::ifstream in(result);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !(in >> m.seconds >> m.peakKb)) {
        throw std::runtime_error("the measurement of " + operation + " failed");
    }
    in.ignore();
    std::getline(in, m.note);
    fs::remove(result);
    return m;
}

std::string FirstLine(const char* path, const std::string& key) {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, key.size(), key) == 0) {
            const auto colon = line.find(':');
            return colon == std::string::npos ? line : line.substr(colon + 2);
        }
    }
    return "?";
}

std::string KernelRelease() {
    std::ifstream in("/proc/sys/kernel/osrelease");
    std::string release;
    in >> release;
    return release;
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

struct Stats {
    std::uint64_t entries = 0, dataBytes = 0, originalBytes = 0, largest = 0;
};

const std::vector<GameFile>& GameFiles() {
    static const auto files = PlanGameFiles(5000, 300ull << 20, 1);
    return files;
}

const std::vector<GameFile>& NewFiles() {
    static const auto files = PlanGameFiles(1000, 60ull << 20, 2);
    return files;
}

void WriteData(const Layout& layout) {
    fs::create_directories(layout.root);
    WriteGameArchive(layout.game(), GameFiles(), std::max(1u, std::thread::hardware_concurrency()));
    WriteFirstEntries(layout.game(), 4000, layout.smaller());
    WriteFolder(layout.newFiles(), NewFiles());
    WriteSoundData(layout);
}

// The data is written by a process of its own too: measured right after a driver
// that had written it, the quick operations ran several times slower.
Stats Generate(const Options& o, const Layout& layout) {
    Stats s;
    for (const auto* set : {&GameFiles(), &NewFiles()}) {
        for (const GameFile& f : *set) s.largest = std::max<std::uint64_t>(s.largest, f.size);
    }
    for (const GameFile& f : GameFiles()) s.originalBytes += f.size;
    s.entries = GameFiles().size();
    if (!fs::exists(layout.game()) || !fs::exists(layout.newFiles()) || !fs::exists(layout.sounds()) ||
        !fs::exists(layout.waves())) {
        std::fprintf(stderr, "generating the archives in %s ...\n", layout.root.c_str());
        Spawn(o, "generate");
    }
    s.dataBytes = fs::file_size(DataFileOf(layout.game()));
    return s;
}

double Mb(double bytes) { return bytes / 1048576.0; }

std::uint64_t FolderSize(const fs::path& folder) {
    std::uint64_t total = 0;
    for (const auto& e : fs::directory_iterator(folder)) total += e.file_size();
    return total;
}

std::string Fixed(double v, int digits) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", digits, v);
    return text;
}

// Four significant digits, so that the quick operations show more than zeros.
std::string Seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, s < 0.01 ? "%.6f" : "%.3f", s);
    return text;
}

int RunAll(Options o) {
    bool made = false;
    if (o.dir.empty()) {
        std::string pattern = "/dev/shm/varnok-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a folder in /dev/shm");
        o.dir = pattern;
        made = true;
    }
    const Layout layout{o.dir};
    const auto t0 = std::chrono::steady_clock::now();
    const Stats stats = Generate(o, layout);
    const double generated = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const std::string loadBefore = LoadAverage();

    std::map<std::string, Measured> best;
    const auto& ops = Operations();
    for (int rep = 0; rep < o.reps; ++rep) {
        for (const Operation& op : ops) {
            if (!o.only.empty() && std::find(o.only.begin(), o.only.end(), op.name) == o.only.end()) continue;
            std::fprintf(stderr, "run %d/%d: %s\n", rep + 1, o.reps, op.name);
            const Measured m = Spawn(o, op.name);
            Measured& b = best[op.name];
            if (m.seconds < b.seconds) {
                b.seconds = m.seconds;
                b.note = m.note;
            }
            b.peakKb = std::max(b.peakKb, m.peakKb);
        }
    }
    const std::string loadAfter = LoadAverage();

    const double bound = Mb(3.0 * static_cast<double>(stats.largest)) + 64.0;
    std::printf("Varnok 2 benchmark: %llu entries, %.0f MB in files, data file %.0f MB, largest entry %.2f MB\n",
                static_cast<unsigned long long>(stats.entries), Mb(static_cast<double>(stats.originalBytes)),
                Mb(static_cast<double>(stats.dataBytes)), Mb(static_cast<double>(stats.largest)));
    std::printf("sound archive: %.0f MB, 5000 entries (70%% IMA ADPCM); WAVE files to add: 500, %.0f MB\n",
                Mb(static_cast<double>(fs::file_size(layout.sounds()))),
                Mb(static_cast<double>(FolderSize(layout.waves()))));
    std::printf("machine: %s, %u cores, kernel %s; outputs in %s\n", FirstLine("/proc/cpuinfo", "model name").c_str(),
                std::thread::hardware_concurrency(), KernelRelease().c_str(), o.dir.c_str());
    std::printf("engine workers: %s; fastest of %d runs; load average %s before, %s after (generation %.0f s)\n\n",
                o.workers < 0 ? "one per core" : std::to_string(o.workers).c_str(), o.reps, loadBefore.c_str(),
                loadAfter.c_str(), generated);
    std::printf("| operation | ours (s) | baseline | baseline (s) | ratio | goal | peak MB (ours / baseline) |\n");
    std::printf("|---|---:|---|---:|---:|---:|---:|\n");
    struct Line {
        const char *ours, *base;
        double goal;  // kPartOfAbove and kNoGoal are lines without a goal of their own
    };
    constexpr double kPartOfAbove = 0.0, kNoGoal = -1.0;
    const Line lines[] = {{"open", "read-index", 3.0},
                          {"index-only", "read-index", kPartOfAbove},
                          {"extract", "inflate-write", 0.7},
                          {"add", "compress", 0.6},
                          {"remove", "copy", 1.5},
                          {"remove-folder", "copy", 1.5},
                          {"bag-raw", "bag-copy", 0.7},
                          {"bag-wave", "bag-copy", 1.5},
                          {"bag-add", "bag-append", kNoGoal},
                          {"bag-add-adpcm", "bag-append", kNoGoal}};
    auto whatOf = [&](const char* name) {
        for (const Operation& op : ops)
            if (name == std::string(op.name)) return op.what;
        return "";
    };
    bool memoryMet = true;
    std::string missed;
    for (const Line& l : lines) {
        if (best.count(l.ours) == 0 || best.count(l.base) == 0) continue;  // left out with --only
        const Measured& a = best[l.ours];
        const Measured& b = best[l.base];
        const double ratio = a.seconds / b.seconds;
        const bool informative = l.goal <= kPartOfAbove;
        if (!informative && ratio > l.goal) missed += std::string(missed.empty() ? "" : ", ") + whatOf(l.ours);
        memoryMet = memoryMet && Mb(static_cast<double>(a.peakKb) * 1024.0) <= bound;
        const std::string goal = l.goal == kNoGoal        ? ""
                                 : l.goal == kPartOfAbove ? "(part of the above)"
                                                          : "<= " + Fixed(l.goal, 1) + "x";
        std::printf("| %s | %s | %s | %s | **%.2fx** | %s | %.0f / %.0f |\n", whatOf(l.ours),
                    Seconds(a.seconds).c_str(), whatOf(l.base), Seconds(b.seconds).c_str(), ratio, goal.c_str(),
                    Mb(static_cast<double>(a.peakKb) * 1024.0), Mb(static_cast<double>(b.peakKb) * 1024.0));
    }
    std::printf("\npeak memory bound: 3 x largest entry + 64 MB = %.0f MB: %s\n", bound,
                memoryMet ? "met by every operation" : "NOT met");
    std::printf("time goals: %s\n", missed.empty() ? "all met" : ("not met by " + missed).c_str());
    std::printf("\nwhat each run did:\n");
    for (const Operation& op : ops) {
        if (best.count(op.name) != 0) std::printf("  %-14s %s\n", op.name, best[op.name].note.c_str());
    }

    fs::remove_all(layout.work());
    if (!o.keep) {
        if (made) {
            fs::remove_all(o.dir);
        } else {
            for (const fs::path& p : {layout.game(), DataFileOf(layout.game()), layout.smaller(),
                                      DataFileOf(layout.smaller()), layout.newFiles(), layout.sounds(), layout.waves()})
                fs::remove_all(p);
        }
    }
    return 0;
}

}  // namespace
}  // namespace varnok::bench

int main(int argc, char** argv) {
    try {
        const auto options = varnok::bench::Parse(argc, argv);
        return options.run.empty() ? varnok::bench::RunAll(options) : varnok::bench::RunChild(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "varnok_bench: %s\n", e.what());
        return 1;
    }
}
