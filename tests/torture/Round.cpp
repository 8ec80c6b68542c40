#include "tests/torture/Round.h"

#include <algorithm>
#include <cstdio>
#include <thread>

namespace varnok::torture {

namespace fs = std::filesystem;

namespace {

struct Running {
    Edit edit;
    Child child;
    std::optional<Clock::time_point> killAt;
};

struct Worker {
    std::mt19937_64 rng;  // its own draws, so that they do not depend on when the others end
    int slot = 0;
    int left = 0;
    std::vector<std::string> names;  // the entries it may have
    std::optional<Running> running;
    std::vector<Edit> edits;
};

enum class ForeignAct { Replace, Append, Rewrite };

struct ForeignEvent {
    Clock::time_point at;
    ForeignAct act;
    int copy = 0;  // which prepared pair a replacement renames
};

// An edit of these small archives that runs this long is stuck.
constexpr auto kHangLimit = std::chrono::seconds(60);

Clock::duration Ms(double ms) { return std::chrono::microseconds(static_cast<long long>(ms * 1000)); }

double Uniform(std::mt19937_64& rng, double high) { return std::uniform_real_distribution<double>(0, high)(rng); }

// The files of an add: each holds the bytes its entry's name implies.
void WriteSources(const RoundSetting& s, const fs::path& folder, const std::vector<std::string>& names, int version) {
    fs::create_directories(folder);
    for (const auto& name : names) {
        WriteFile(folder / s.archive.FileName(name), FileBytes(s.archive.kind, {IdOfName(name), version}));
    }
}

void PlanAdd(const RoundSetting& s, Worker& w, Edit& e, const fs::path& folder, int count, bool asFolder) {
    e.kind = EditKind::Add;
    for (int i = 0; i < count; ++i) e.names.push_back("e" + std::to_string(s.counters.nextId++));
    WriteSources(s, folder, e.names, e.version);
    if (asFolder) {
        e.argv.push_back(folder.string());
    } else {
        for (const auto& n : e.names) e.argv.push_back((folder / s.archive.FileName(n)).string());
    }
    w.names.insert(w.names.end(), e.names.begin(), e.names.end());
}

std::string Pick(Worker& w) { return w.names[w.rng() % w.names.size()]; }

void PlanOverwrite(const RoundSetting& s, Worker& w, Edit& e, const fs::path& folder) {
    e.kind = EditKind::Overwrite;
    e.version = s.counters.nextVersion++;
    e.names = {Pick(w)};
    WriteSources(s, folder, e.names, e.version);
    e.argv.push_back("--overwrite");
    e.argv.push_back((folder / s.archive.FileName(e.names[0])).string());
}

void PlanRemove(const RoundSetting& s, Worker& w, Edit& e) {
    e.kind = EditKind::Remove;
    e.names = {Pick(w)};
    if (w.rng() % 3 == 0) {
        const std::string second = Pick(w);
        if (second != e.names[0]) e.names.push_back(second);
    }
    for (const auto& n : e.names) e.argv.push_back(s.archive.Listed(n));
}

void PlanRename(const RoundSetting& s, Worker& w, Edit& e) {
    e.kind = EditKind::Rename;
    const std::string old = Pick(w);
    const std::string renamed = IdOfName(old) + "r" + std::to_string(s.counters.nextId++);
    e.names = {old, renamed};
    e.argv.push_back(s.archive.Listed(old));
    e.argv.push_back(s.archive.NewName(renamed));
    w.names.push_back(renamed);
}

// Draws the worker's next edit and writes the files it adds.
Edit PlanEdit(const RoundSetting& s, const RoundPlan& plan, Worker& w) {
    Edit e;
    e.number = s.counters.nextEdit++;
    e.slot = w.slot;
    const fs::path folder = s.scratch / ("edit-" + std::to_string(e.number));
    const unsigned roll = w.names.empty() ? 0 : static_cast<unsigned>(w.rng() % 100);
    const bool longAdd = plan.longAdd && w.slot == 0 && w.edits.empty();
    if (longAdd) {
        PlanAdd(s, w, e, folder, 200 + static_cast<int>(w.rng() % 60), true);
    } else if (roll < 35) {
        const bool asFolder = w.rng() % 8 == 0;
        PlanAdd(s, w, e, folder, asFolder ? 5 + static_cast<int>(w.rng() % 25) : 1 + static_cast<int>(w.rng() % 3),
                asFolder);
    } else if (roll < 55) {
        PlanOverwrite(s, w, e, folder);
    } else if (roll < 78) {
        PlanRemove(s, w, e);
    } else {
        PlanRename(s, w, e);
    }
    const char* command = e.kind == EditKind::Remove ? "remove" : e.kind == EditKind::Rename ? "rename" : "add";
    std::vector<std::string> head = {command, "-v"};
    if (w.rng() % 2) head.push_back("--yes");
    head.push_back(s.archive.Path().string());
    e.argv.insert(e.argv.begin(), head.begin(), head.end());
    e.argv = s.varnok.Argv(e.argv);
    return e;
}

// The log of an edit starts with its command, so that a failing round can be replayed by hand.
void WriteCommandLine(const fs::path& log, const std::vector<std::string>& argv) {
    std::string line = "$";
    for (const auto& a : argv) line += " " + a;
    line += "\n";
    WriteFile(log, Bytes(line.begin(), line.end()));
}

void StartNext(const RoundSetting& s, const RoundPlan& plan, Worker& w) {
    if (w.left == 0) return;
    --w.left;
    Edit edit = PlanEdit(s, plan, w);
    std::optional<Clock::time_point> killAt;
    edit.start = Clock::now();
    // Kills reach from before the archive is opened to after the edit would
    // have ended; an add of many files runs longer, and so does its window.
    const double window = s.editMs * 1.5 * std::max<double>(1, static_cast<double>(edit.names.size()) / 3);
    if (Uniform(w.rng, 1) < plan.killChance) killAt = edit.start + Ms(Uniform(w.rng, window));
    const fs::path log = s.scratch / ("edit-" + std::to_string(edit.number) + ".log");
    WriteCommandLine(log, edit.argv);
    Child child = Child::Start(edit.argv, log);
    w.running.emplace(Running{std::move(edit), child, killAt});
}

// What the worker may have after an edit ended: names it removed stay possible
// unless the removal reported success.
void Settle(Worker& w, const Edit& e) {
    if (!e.ReportedDone()) return;
    auto drop = [&](const std::string& n) {
        w.names.erase(std::remove(w.names.begin(), w.names.end(), n), w.names.end());
    };
    if (e.kind == EditKind::Remove) {
        for (const auto& n : e.names) drop(n);
    } else if (e.kind == EditKind::Rename) {
        drop(e.names[0]);
    }
}

// Reaps or kills the worker's process; true while the worker has work left.
bool Tend(const RoundSetting& s, const RoundPlan& plan, Worker& w, Clock::time_point now) {
    if (w.running) {
        Running& r = *w.running;
        if (std::optional<Ending> ending = r.child.Poll()) {
            r.edit.end = Clock::now();
            r.edit.ending = *ending;
            Settle(w, r.edit);
            w.edits.push_back(std::move(r.edit));
            w.running.reset();
            StartNext(s, plan, w);
        } else if (r.killAt && now >= *r.killAt) {
            r.child.Kill();
            r.edit.killed = true;
            r.edit.killedAt = now;
            r.killAt.reset();
        } else if (!r.edit.hung && now - r.edit.start > kHangLimit) {
            r.child.Kill();
            r.edit.hung = true;
        }
    }
    return w.running.has_value();
}

std::vector<ForeignEvent> ScheduleForeign(const RoundSetting& s, const RoundPlan& plan, Clock::time_point t0) {
    std::vector<ForeignEvent> events;
    auto at = [&] { return t0 + Ms(Uniform(s.rng, s.roundMs)); };
    for (int i = 0; i < plan.replacements; ++i) {
        s.foreign.Prepare(s.archive, i);
        events.push_back({at(), ForeignAct::Replace, i});
    }
    for (int i = 0; i < plan.appends; ++i) events.push_back({at(), ForeignAct::Append});
    for (int i = 0; i < plan.rewrites; ++i) events.push_back({at(), ForeignAct::Rewrite});
    std::sort(events.begin(), events.end(), [](const auto& a, const auto& b) { return a.at < b.at; });
    return events;
}

std::string At(Clock::time_point t0, Clock::time_point t) {
    const double ms = std::chrono::duration<double, std::milli>(t - t0).count();
    char text[32];
    std::snprintf(text, sizeof text, "%9.3f ms  ", ms);
    return text;
}

void Act(const RoundSetting& s, const ForeignEvent& event, Clock::time_point t0, RoundOutcome& outcome) {
    const Clock::time_point start = Clock::now();
    std::string what;
    switch (event.act) {
        case ForeignAct::Replace:
            outcome.lastReplacement = s.foreign.RenameOver(s.archive, event.copy);
            ++outcome.replacements;
            what = "foreign writer renamed its pair over the archive, done at " + At(t0, outcome.lastReplacement->end);
            break;
        case ForeignAct::Append:
            s.foreign.Append(s.archive, s.rng);
            what = "foreign writer appended to the data file";
            break;
        case ForeignAct::Rewrite:
            s.foreign.RewriteInPlace(s.archive);
            what = "foreign writer rewrote the data file in place";
            break;
    }
    outcome.timeline.push_back(At(t0, start) + what);
    ++outcome.foreignActs;
}

void Record(const std::vector<Worker>& workers, Clock::time_point t0, RoundOutcome& outcome) {
    for (const Worker& w : workers) {
        for (const Edit& e : w.edits) {
            outcome.timeline.push_back(At(t0, e.start) + "start " + e.Describe());
            if (e.killedAt) outcome.timeline.push_back(At(t0, *e.killedAt) + "kill  " + e.Describe());
            outcome.timeline.push_back(At(t0, e.end) + "end   " + e.Describe());
        }
    }
    std::sort(outcome.timeline.begin(), outcome.timeline.end());
}

}  // namespace

RoundOutcome RunRound(const RoundSetting& s, const RoundPlan& plan,
                      const std::vector<std::vector<std::string>>& owned) {
    RoundOutcome outcome;
    std::vector<Worker> workers(static_cast<std::size_t>(plan.workers));
    const Clock::time_point t0 = Clock::now();
    std::vector<ForeignEvent> events = ScheduleForeign(s, plan, t0);
    for (int i = 0; i < plan.workers; ++i) {
        Worker& w = workers[static_cast<std::size_t>(i)];
        w.rng.seed(s.rng());
        w.slot = i;
        w.left = plan.editsPerWorker;
        w.names = owned[static_cast<std::size_t>(i)];
        StartNext(s, plan, w);
    }
    std::size_t nextEvent = 0;
    std::minstd_rand jitter(static_cast<std::minstd_rand::result_type>(s.rng()));
    for (bool busy = true; busy;) {
        const Clock::time_point now = Clock::now();
        busy = false;
        for (Worker& w : workers) busy = Tend(s, plan, w, now) || busy;
        for (; nextEvent < events.size() && events[nextEvent].at <= now && busy; ++nextEvent) {
            Act(s, events[nextEvent], t0, outcome);
        }
        if (busy) std::this_thread::sleep_for(std::chrono::microseconds(200 + jitter() % 1500));
    }
    Record(workers, t0, outcome);
    for (Worker& w : workers) outcome.edits.push_back(std::move(w.edits));
    outcome.tookMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    return outcome;
}

}  // namespace varnok::torture
