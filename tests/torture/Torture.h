#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/torture/Archive.h"
#include "tests/torture/Checks.h"
#include "tests/torture/ForeignWriter.h"
#include "tests/torture/Model.h"
#include "tests/torture/Round.h"
#include "tests/torture/Varnok.h"

namespace varnok::torture {

struct Settings {
    std::filesystem::path varnok;
    std::filesystem::path work;  // an empty folder of the harness's own
    double seconds = 60;
    std::uint64_t seed = 0;
    bool foreignWriter = true;  // off: only varnok processes touch the archive
    bool kills = true;          // off: no varnok process is killed
};

struct Totals {
    int rounds = 0;
    int edits = 0;
    int done = 0;
    int failed = 0;
    int killed = 0;
    int foreign = 0;
    std::map<std::string, int> violationsByCheck;
    int violations = 0;
    int replacements = 0;  // of the foreign writer
};

// Rounds of concurrent, interrupted and foreign edits of an RFH pair and a
// BAG archive, each followed by the checks.
class Torture {
public:
    explicit Torture(Settings settings);
    Totals Run();

private:
    void SetUp();
    void MakeForeignTemplates();
    void StartAfresh(Archive& archive);
    void RunRound(Archive& archive, std::mt19937_64& rng);
    static std::vector<std::vector<std::string>> ShareOut(const std::map<std::string, Identity>& entries, int workers);
    // Every check of the round; afterwards the archive is as found, or afresh when it was broken.
    std::vector<Violation> CheckRound(Archive& archive, const std::map<std::string, Identity>& before,
                                      const RoundOutcome& outcome, const std::filesystem::path& scratch);
    void Learn(const RoundOutcome& outcome, const RoundPlan& plan);
    // What the archive may hold after the round, from what it held before and the round's edits.
    Expectation Expect(const std::map<std::string, Identity>& before, const RoundOutcome& outcome,
                       std::vector<Violation>& violations) const;
    // Whether to keep the round's folder for a look by hand: the first rounds that failed.
    bool KeepRound(const std::vector<Violation>& violations);
    void Report(const std::vector<Violation>& violations, const Archive& archive, int round,
                const std::filesystem::path& scratch);

    Settings settings_;
    Varnok varnok_;
    ForeignWriter foreign_;
    Archive rfh_, bag_;
    // What each archive held after its last round, by entry name.
    std::map<const Archive*, std::map<std::string, Identity>> found_;
    std::vector<std::string> foreignNames_;
    Totals totals_;
    std::map<std::string, int> roundsShown_;  // by check
    int keptRounds_ = 0;
    int keptDecoyRounds_ = 0;
    Counters counters_;
    double roundMs_ = 200;  // how long rounds take, as measured; the foreign writer aims inside them
    double editMs_ = 40;    // how long an edit takes, as measured; kills aim inside them
};

}  // namespace varnok::torture
