#include "tests/torture/Torture.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <stdexcept>

#include "tests/torture/Round.h"

namespace varnok::torture {

namespace fs = std::filesystem;

namespace {

constexpr int kForeignEntries = 5;
// An archive that grew to more entries starts afresh: rounds stay quick.
constexpr std::size_t kMostEntries = 400;
constexpr int kShownPerRound = 3;        // findings of one check shown for a round,
constexpr int kShownRoundsPerCheck = 5;  // in this many rounds; the rest are only counted
constexpr int kKeptRounds = 30;          // the folders of the first failing rounds are kept,
constexpr int kKeptDecoyRounds = 3;      // fewer of those that only touched the user's files
const std::string kFoundBefore = "the archive as found before the round";

bool Succeeded(const Ending& e) { return e.exited() && e.exitCode == 0; }

void RunOrThrow(const Varnok& varnok, const std::vector<std::string>& args, const fs::path& log) {
    if (!Succeeded(varnok.Run(args, log))) {
        throw std::runtime_error("setting up failed: varnok " + args.front() + " (see " + log.string() + ")");
    }
}

bool IsForeign(const std::string& name) { return name.starts_with("f"); }

int NumberOf(const std::string& name) { return std::atoi(IdOfName(name).c_str() + 1); }

// An edit's process may end only by exiting 0 or 1, or by the harness's SIGKILL.
void CheckEnding(const Edit& edit, std::vector<Violation>& violations) {
    if (edit.hung) {
        violations.push_back({"exit", edit.Describe() + " was still running after a minute"});
        return;
    }
    if (edit.ending.exited() ? edit.ending.exitCode <= 1 : edit.killed) return;
    violations.push_back({"exit", edit.Describe() + " ended in a way no edit may end"});
}

void WriteTimeline(const fs::path& file, const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    WriteFile(file, Bytes(text.begin(), text.end()));
}

RoundPlan DrawPlan(std::mt19937_64& rng, const Settings& settings) {
    RoundPlan plan;
    plan.workers = 2 + static_cast<int>(rng() % 2);
    plan.editsPerWorker = 1 + static_cast<int>(rng() % 4);
    const unsigned roll = static_cast<unsigned>(rng() % 10);
    plan.replacements = roll < 5 ? 1 : roll < 6 ? 2 : 0;
    plan.appends = static_cast<int>(rng() % 3);
    plan.rewrites = static_cast<int>(rng() % 3);
    plan.killChance = 0.25;
    plan.longAdd = rng() % 16 == 0;
    if (!settings.foreignWriter) plan.replacements = plan.appends = plan.rewrites = 0;
    if (!settings.kills) plan.killChance = 0;
    return plan;
}

}  // namespace

Torture::Torture(Settings settings)
    : settings_(std::move(settings)),
      varnok_{settings_.varnok},
      foreign_(settings_.work / "templates"),
      rfh_{ArchiveKind::Rfh, settings_.work / "rfh"},
      bag_{ArchiveKind::Bag, settings_.work / "bag"} {}

void Torture::SetUp() {
    const fs::path& work = settings_.work;
    for (const Archive* a : {&rfh_, &bag_}) fs::create_directories(a->Side());
    fs::create_directories(work / "windows");
    fs::create_directories(work / "templates");
    ::setenv("VARNOK_WINDOWS_DIR", (work / "windows").c_str(), 1);
    MakeForeignTemplates();
    for (Archive* a : {&rfh_, &bag_}) StartAfresh(*a);
}

// The foreign writer's archives: valid, made by varnok itself, with entries named f1, f2, ...
void Torture::MakeForeignTemplates() {
    const fs::path templates = settings_.work / "templates";
    const fs::path log = settings_.work / "setup.log";
    for (int i = 1; i <= kForeignEntries; ++i) foreignNames_.push_back("f" + std::to_string(i));
    for (const Archive* a : {&rfh_, &bag_}) {
        const fs::path source = templates / (a->kind == ArchiveKind::Rfh ? "rfh-files" : "bag-files");
        fs::create_directories(source);
        for (const auto& name : foreignNames_) {
            WriteFile(source / a->FileName(name), FileBytes(a->kind, {name, 0}));
        }
    }
    RunOrThrow(varnok_, {"create", (templates / "F.rfh").string(), (templates / "rfh-files").string()}, log);
    WriteEmptyBag(templates / "F.bag");
    RunOrThrow(varnok_, {"add", (templates / "F.bag").string(), (templates / "bag-files").string()}, log);
    RunOrThrow(varnok_, {"test", (templates / "F.rfh").string()}, log);
    RunOrThrow(varnok_, {"test", (templates / "F.bag").string()}, log);
}

Totals Torture::Run() {
    SetUp();
    const auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<long long>(settings_.seconds * 1000));
    while (Clock::now() < deadline) {
        // Each round draws from its own stream, so that a seed draws the same
        // plans round by round however the instants of earlier rounds fell.
        std::mt19937_64 rng(settings_.seed * 0x9e3779b97f4a7c15ULL + static_cast<std::uint64_t>(totals_.rounds));
        RunRound(rng() % 2 ? rfh_ : bag_, rng);
    }
    return totals_;
}

// Every archive starts as a copy of the foreign writer's, and its foreign entries
// stay first: so whenever the foreign writer has renamed only the data file of its
// pair over the archive, the index beside it needs more bytes than that data file
// holds unless it holds only foreign entries. An engine must refuse to edit such
// a pair; an add to an index of foreign entries only writes after them, where
// the foreign index renamed over it a moment later leaves it unused. So however
// far apart the two renames lie, a correct engine cannot break the archive there.
void Torture::StartAfresh(Archive& archive) {
    foreign_.Restore(archive);
    found_[&archive].clear();
    for (const auto& name : foreignNames_) found_[&archive][name] = Identity{name, 0};
}

void Torture::RunRound(Archive& archive, std::mt19937_64& rng) {
    const int round = ++totals_.rounds;
    if (found_[&archive].size() > kMostEntries) StartAfresh(archive);
    const fs::path scratch = settings_.work / "rounds" / ("round-" + std::to_string(round));
    fs::create_directories(scratch);
    for (const auto& item : fs::directory_iterator(archive.Side())) fs::remove_all(item.path());
    PutDecoys(archive);

    const RoundPlan plan = DrawPlan(rng, settings_);
    const std::map<std::string, Identity> before = found_[&archive];
    const RoundSetting setting{varnok_, archive, foreign_, rng, counters_, scratch, roundMs_, editMs_};
    const RoundOutcome outcome = torture::RunRound(setting, plan, ShareOut(before, plan.workers));
    Learn(outcome, plan);

    const std::vector<Violation> violations = CheckRound(archive, before, outcome, scratch);
    Report(violations, archive, round, scratch);
    if (KeepRound(violations)) {
        WriteTimeline(scratch / "timeline.txt", outcome.timeline);
    } else {
        fs::remove_all(scratch);
    }
}

// Each worker edits only its share of the entries (and those it adds), so that
// what one worker's edits did is never undone by another's.
std::vector<std::vector<std::string>> Torture::ShareOut(const std::map<std::string, Identity>& entries, int workers) {
    std::vector<std::vector<std::string>> owned(static_cast<std::size_t>(workers));
    for (const auto& [name, who] : entries) {
        if (!IsForeign(name)) owned[static_cast<std::size_t>(NumberOf(name) % workers)].push_back(name);
    }
    return owned;
}

std::vector<Violation> Torture::CheckRound(Archive& archive, const std::map<std::string, Identity>& before,
                                           const RoundOutcome& outcome, const fs::path& scratch) {
    std::vector<Violation> violations;
    for (const auto& edits : outcome.edits) {
        for (const Edit& e : edits) CheckEnding(e, violations);
    }
    CheckDecoys(archive, "after the round", violations);
    PutDecoys(archive);  // so that the next check sees what the next open does
    varnok_.Run({"list", archive.Path().string()}, scratch / "next-open.log");
    CheckNoLeftovers(archive, violations);
    CheckDecoys(archive, "after the next open", violations);
    const Observation seen = Observe(archive, varnok_, scratch, violations);
    if (seen.consistent) {
        CompareWithModel(Expect(before, outcome, violations), seen, violations);
        found_[&archive] = seen.entries;
    } else {
        StartAfresh(archive);
    }
    return violations;
}

// Keeps the foreign writer's and the kills' instants inside what rounds and edits take.
void Torture::Learn(const RoundOutcome& outcome, const RoundPlan& plan) {
    if (!plan.longAdd) roundMs_ = 0.8 * roundMs_ + 0.2 * outcome.tookMs;
    for (const auto& edits : outcome.edits) {
        for (const Edit& e : edits) {
            ++totals_.edits;
            if (e.ReportedDone()) {
                ++totals_.done;
            } else if (e.killed) {
                ++totals_.killed;
            } else {
                ++totals_.failed;
            }
            if (!e.killed && e.names.size() < 10) {
                editMs_ = 0.9 * editMs_ + 0.1 * std::chrono::duration<double, std::milli>(e.end - e.start).count();
            }
        }
    }
    totals_.foreign += outcome.foreignActs;
    totals_.replacements += outcome.replacements;
}

Expectation Torture::Expect(const std::map<std::string, Identity>& before, const RoundOutcome& outcome,
                            std::vector<Violation>& violations) const {
    Expectation expected;
    for (const auto& name : foreignNames_) {
        if (outcome.lastReplacement) {
            expected[name] = Possible::Present(0, "the foreign writer renamed its pair over the archive");
        } else if (const auto it = before.find(name); it != before.end()) {
            expected[name] = Possible::Present(it->second.version, kFoundBefore);
        }
    }
    const auto shares = ShareOut(before, static_cast<int>(outcome.edits.size()));
    for (std::size_t w = 0; w < shares.size(); ++w) {
        Expectation initial;
        for (const auto& name : shares[w]) initial[name] = Possible::Present(before.at(name).version, kFoundBefore);
        for (auto& [name, p] : ExpectAfter(initial, outcome.edits[w], outcome.lastReplacement, violations)) {
            expected[name] = p;
        }
    }
    return expected;
}

bool Torture::KeepRound(const std::vector<Violation>& violations) {
    if (violations.empty()) return false;
    const bool onlyDecoys =
        std::all_of(violations.begin(), violations.end(), [](const Violation& v) { return v.check == "d"; });
    return onlyDecoys ? ++keptDecoyRounds_ <= kKeptDecoyRounds : ++keptRounds_ <= kKeptRounds;
}

// Prints the first few findings of each check in this round, as long as the
// check has been shown in few rounds yet; every finding is counted.
void Torture::Report(const std::vector<Violation>& violations, const Archive& archive, int round,
                     const fs::path& scratch) {
    std::map<std::string, int> inRound;
    for (const Violation& v : violations) ++inRound[v.check];
    std::map<std::string, int> shownInRound;
    bool shown = false;
    for (const Violation& v : violations) {
        ++totals_.violations;
        ++totals_.violationsByCheck[v.check];
        const int n = ++shownInRound[v.check];
        if (n == 1) ++roundsShown_[v.check];
        if (roundsShown_[v.check] > kShownRoundsPerCheck || n > kShownPerRound) continue;
        std::cout << "VIOLATION round " << round << " (seed " << settings_.seed << ", " << archive.Label()
                  << ") check (" << v.check << "): " << v.what << "\n";
        if (n == kShownPerRound && inRound[v.check] > n) {
            std::cout << "  ... and " << inRound[v.check] - n << " more of check (" << v.check << ") in this round\n";
        }
        shown = true;
    }
    if (shown) std::cout << "  the round's commands, logs and timeline: " << scratch.string() << "\n";
}

}  // namespace varnok::torture
