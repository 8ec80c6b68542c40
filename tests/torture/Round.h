#pragma once

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "tests/torture/Archive.h"
#include "tests/torture/ForeignWriter.h"
#include "tests/torture/Model.h"
#include "tests/torture/Varnok.h"

namespace varnok::torture {

// What happens in one round, drawn from the seed.
struct RoundPlan {
    int workers = 2;
    int editsPerWorker = 2;
    int replacements = 0;
    int appends = 0;
    int rewrites = 0;
    double killChance = 0;
    bool longAdd = false;  // one worker starts with an add of a folder of some hundred files
};

// Numbers that stay unique over the whole run.
struct Counters {
    int nextId = 1;
    int nextVersion = 1;
    int nextEdit = 1;
};

struct RoundSetting {
    const Varnok& varnok;
    const Archive& archive;
    const ForeignWriter& foreign;
    std::mt19937_64& rng;  // the round's own draws
    Counters& counters;
    std::filesystem::path scratch;  // the round's own folder: files to add, logs
    double roundMs = 200;           // how long a round is expected to take
    double editMs = 40;             // how long one edit is expected to take
};

struct RoundOutcome {
    std::vector<std::vector<Edit>> edits;  // by worker, in the order each ran them
    std::optional<Replacement> lastReplacement;
    int replacements = 0;
    int foreignActs = 0;
    double tookMs = 0;
    // What happened when, in milliseconds from the round's start: the foreign
    // writer's acts and each edit's start and end.
    std::vector<std::string> timeline;
};

// Runs the round's workers, each a sequence of varnok processes editing only
// the entries in its share of `owned` and those it adds, while the foreign
// writer acts and SIGKILL lands at the instants the plan draws.
RoundOutcome RunRound(const RoundSetting& setting, const RoundPlan& plan,
                      const std::vector<std::vector<std::string>>& owned);

}  // namespace varnok::torture
