// Edits killed at random moments: whatever instant SIGKILL lands, the archive must
// afterwards hold exactly the entries it held before the command or exactly those
// it holds after it, every payload intact, and nothing a user would stumble over.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "formats/cRFH.h"
#include "tests/cli/CliSupport.h"
#include "tests/support/TempDir.h"

namespace varnok::test {
namespace {
namespace fs = std::filesystem;

constexpr int kRounds = 56;
constexpr int kInitialEntries = 300;
// An edit of this archive runs for some 40 to 100 ms from process start, most of it
// opening and listing; delays up to this reach from before the archive is opened
// to after the command has finished.
constexpr int kMaxDelayMs = 100;

using State = std::vector<TestEntry>;

std::vector<std::uint8_t> Payload(std::mt19937& rng) {
    const std::size_t size = 3 + rng() % 12000;
    return rng() % 2 ? TextLikeBytes(size, rng()) : PseudoRandomBytes(size, rng());
}

// A command to interrupt, and the state it leads to when it completes.
struct Change {
    std::vector<std::string> args;
    State after;
};

Change AddFolder(const TempDir& dir, const State& before, int round, std::mt19937& rng) {
    const std::string folder = "incoming" + std::to_string(round);
    Change c{{"add", "arch/game.rfh", "--path", "batch" + std::to_string(round), folder}, before};
    for (const char* name : {"f0.bin", "f1.txt", "f2.dat"}) {  // in the order a folder is added: by name
        const auto bytes = Payload(rng);
        dir.write(fs::path(folder) / name, bytes);
        c.after.push_back({"batch" + std::to_string(round) + "\\" + name, bytes});
    }
    return c;
}

Change RemoveSome(const State& before, std::mt19937& rng) {
    std::vector<int> numbers;
    while (numbers.size() < 3) {
        const int n = 1 + static_cast<int>(rng() % before.size());
        if (std::find(numbers.begin(), numbers.end(), n) == numbers.end()) numbers.push_back(n);
    }
    Change c{{"remove", "arch/game.rfh"}, {}};
    for (int n : numbers) c.args.push_back(std::to_string(n));
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (std::find(numbers.begin(), numbers.end(), static_cast<int>(i + 1)) == numbers.end()) {
            c.after.push_back(before[i]);
        }
    }
    return c;
}

// Files a user would see beside the archive: anything but the pair and hidden files.
std::vector<std::string> VisibleStrays(const TempDir& dir) {
    std::vector<std::string> strays;
    for (const std::string& name : dir.listing("arch")) {
        if (name != "game.rfh" && name != "game.rfd" && !name.starts_with(".")) strays.push_back(name);
    }
    return strays;
}

TEST(CliCrashTest, KilledEditsLeaveTheArchiveAsItWasBeforeOrAfter) {
    TempDir dir;
    std::mt19937 rng(20240611);
    std::vector<TestEntry> initial;
    for (int i = 0; i < kInitialEntries; ++i) {
        initial.push_back({"folder" + std::to_string(i % 7) + "\\file" + std::to_string(i) + ".bin", Payload(rng)});
    }
    fs::create_directories(dir / "arch");
    BuildRfh(dir / "arch/game.rfh", initial);
    State current = ReadRfhIndependently(dir / "arch/game.rfh");
    ASSERT_EQ(current.size(), static_cast<std::size_t>(kInitialEntries));

    int endedBefore = 0;
    int endedAfter = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const unsigned kind = rng() % 2;
        const Change change = kind == 0 ? AddFolder(dir, current, round, rng) : RemoveSome(current, rng);
        const auto delay = std::chrono::microseconds(rng() % (kMaxDelayMs * 1000 + 1));

        const pid_t pid = StartCli(dir.path(), change.args);
        ::usleep(static_cast<useconds_t>(delay.count()));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        SCOPED_TRACE(change.args[0] + " killed after " + std::to_string(delay.count()) + " us");

        EXPECT_EQ(VisibleStrays(dir), std::vector<std::string>{});
        const CliResult list = RunCli(dir.path(), {"list", "arch/game.rfh"});
        ASSERT_EQ(list.exitCode, 0) << list.err;
        EXPECT_EQ(dir.listing("arch"), (std::vector<std::string>{"game.rfd", "game.rfh"}));
        const CliResult test = RunCli(dir.path(), {"test", "arch/game.rfh"});
        ASSERT_EQ(test.exitCode, 0) << test.err;

        // The open of `list` cut off what a killed add had written past its last
        // saved entry: no byte of the data file is left that no entry uses.
        cRFH index;
        index.RFHOpen(dir / "arch/game.rfh");
        EXPECT_EQ(fs::file_size(dir / "arch/game.rfd"), static_cast<std::uintmax_t>(index.RFHNextOffSet()));

        State now = ReadRfhIndependently(dir / "arch/game.rfh");
        // An add saves the index after each file: every file whose add completed stays.
        const bool addedPart = kind == 0 && now.size() > current.size() && now.size() < change.after.size() &&
                               std::equal(now.begin(), now.end(), change.after.begin());
        if (now == current) {
            ++endedBefore;
        } else if (now == change.after || addedPart) {
            ++endedAfter;
            current = std::move(now);
        } else {
            FAIL() << "the archive holds " << now.size() << " entries, neither the " << current.size()
                   << " from before nor the " << change.after.size() << " from after the command";
        }
    }
    std::cout << "interrupted edits: " << endedBefore << " left the archive as it was, " << endedAfter
              << " completed\n";
}

}  // namespace
}  // namespace varnok::test
