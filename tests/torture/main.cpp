// varnok_torture: edits an RFH pair and a BAG archive from several varnok
// processes at once while a foreign program replaces, appends to and rewrites
// their files and SIGKILL lands at random instants, then checks after every
// round that nothing was lost, invented, damaged or left behind.
#include <stdlib.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <random>
#include <string>

#include "tests/torture/Torture.h"

namespace {

namespace fs = std::filesystem;
using varnok::torture::Settings;
using varnok::torture::Totals;

constexpr char kUsage[] =
    "Usage: varnok_torture [--seconds N] [--seed N] [--varnok PATH] [--work DIR] [--keep]\n"
    "                      [--no-foreign] [--no-kills]\n"
    "\n"
    "  --seconds N    run rounds for about N seconds (env TORTURE_SECONDS; default 60)\n"
    "  --seed N       draw the rounds from seed N (env TORTURE_SEED; default: a random one).\n"
    "                 The same seed draws the same rounds; the instants processes reach\n"
    "                 differ from run to run, so a replay is likely, not certain, to repeat\n"
    "                 a finding.\n"
    "  --varnok PATH  the varnok executable to torture (env VARNOK; default: the one built)\n"
    "  --work DIR     an empty folder to work in (env TORTURE_DIR; default: a new one in\n"
    "                 /dev/shm when it has room, else in $TMPDIR or /tmp)\n"
    "  --keep         keep the work folder; it is always kept when a check fails\n"
    "  --no-foreign   no foreign writer: only varnok processes touch the archive\n"
    "  --no-kills     no varnok process is killed\n"
    "\n"
    "Exit status: 0 when every check held, 1 on any violation, 2 on a wrong command line.\n";

std::optional<std::string> Env(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? std::optional<std::string>(value) : std::nullopt;
}

// A memory file system where there is one with room: its renames take microseconds
// where a disk's can take milliseconds, so rounds run quicker.
std::string WorkBase() {
    constexpr unsigned long long kRoom = 512ULL << 20;
    struct statvfs fs {};
    if (::access("/dev/shm", W_OK | X_OK) == 0 && ::statvfs("/dev/shm", &fs) == 0 &&
        static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize >= kRoom) {
        return "/dev/shm";
    }
    return Env("TMPDIR").value_or("/tmp");
}

fs::path NewWorkFolder() {
    const std::string base = WorkBase();
    std::string pattern = (fs::path(base) / "varnok-torture-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a folder under " + base);
    return pattern;
}

struct Options {
    Settings settings;
    bool keep = false;
};

Options Parse(int argc, char** argv) {
    Options o;
    o.settings.varnok = Env("VARNOK").value_or(VARNOK_CLI_PATH);
    o.settings.work = Env("TORTURE_DIR").value_or("");
    o.settings.seconds = std::stod(Env("TORTURE_SECONDS").value_or("60"));
    const std::optional<std::string> seed = Env("TORTURE_SEED");
    o.settings.seed = seed ? std::stoull(*seed) : std::random_device{}() % 1000000000;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seconds" && hasValue) {
            o.settings.seconds = std::stod(argv[++i]);
        } else if (arg == "--seed" && hasValue) {
            o.settings.seed = std::stoull(argv[++i]);
        } else if (arg == "--varnok" && hasValue) {
            o.settings.varnok = argv[++i];
        } else if (arg == "--work" && hasValue) {
            o.settings.work = argv[++i];
        } else if (arg == "--no-foreign") {
            o.settings.foreignWriter = false;
        } else if (arg == "--no-kills") {
            o.settings.kills = false;
        } else if (arg == "--keep") {
            o.keep = true;
        } else {
            throw std::invalid_argument(arg == "--help" || arg == "-h" ? "" : "unknown argument: " + arg);
        }
    }
    return o;
}

void PrintTotals(const Totals& t, double seconds) {
    const double minutes = seconds / 60;
    std::cout << "varnok torture: " << t.rounds << " rounds, " << t.edits << " edits (" << t.done << " done, "
              << t.failed << " failed, " << t.killed << " killed), " << t.foreign << " foreign writes ("
              << t.replacements << " pair replacements) in " << static_cast<int>(seconds) << " s ("
              << static_cast<int>(t.rounds / minutes) << " rounds and " << static_cast<int>(t.edits / minutes)
              << " edits a minute); " << t.violations << " violations";
    for (const auto& [check, count] : t.violationsByCheck) std::cout << " [" << check << ": " << count << "]";
    std::cout << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = Parse(argc, argv);
    } catch (const std::exception& e) {
        if (*e.what()) std::cerr << "varnok_torture: " << e.what() << "\n";
        std::cerr << kUsage;
        return *e.what() ? 2 : 0;
    }
    try {
        if (options.settings.work.empty()) options.settings.work = NewWorkFolder();
        std::cout << "varnok torture: seed " << options.settings.seed << " (TORTURE_SEED=" << options.settings.seed
                  << " replays it), " << options.settings.seconds << " s, varnok " << options.settings.varnok.string()
                  << ", work folder " << options.settings.work.string() << std::endl;
        const auto start = std::chrono::steady_clock::now();
        const Totals totals = varnok::torture::Torture(options.settings).Run();
        PrintTotals(totals, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (totals.violations == 0 && !options.keep) fs::remove_all(options.settings.work);
        if (totals.violations != 0) {
            std::cout << "varnok torture: FAILED with seed " << options.settings.seed << "; the failing rounds are in "
                      << options.settings.work.string() << "\n";
            return 1;
        }
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "varnok_torture: " << e.what() << " (seed " << options.settings.seed << ")\n";
        return 1;
    }
}
