#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/torture/Process.h"

namespace varnok::torture {

using Clock = std::chrono::steady_clock;

enum class EditKind { Add, Overwrite, Remove, Rename };

// One varnok process that edits the archive, as the harness started it and saw it end.
struct Edit {
    int number = 0;  // in the whole run, for messages and logs
    int slot = 0;    // the worker that ran it; each worker edits only its own entries
    EditKind kind = EditKind::Add;
    // Add: the new names; Overwrite: the name; Remove: the names; Rename: old, new.
    std::vector<std::string> names;
    int version = 0;  // the version an Add or Overwrite writes
    std::vector<std::string> argv;
    Clock::time_point start, end;
    std::optional<Clock::time_point> killedAt;
    Ending ending;
    bool killed = false;  // the harness sent SIGKILL before it ended
    bool hung = false;    // the harness killed it for running far too long

    bool ReportedDone() const { return ending.exited() && ending.exitCode == 0; }
    std::string Describe() const;
};

// When the foreign writer renamed another pair over the archive.
struct Replacement {
    Clock::time_point start, end;
};

// What may be found under one name when the round is over.
struct Possible {
    bool mayBeAbsent = true;
    std::set<int> versions;  // the versions it may hold when present
    std::string decidedBy;   // the edit reported done that last decided it, if any
    bool unknown = false;    // after an edit the model holds impossible: anything goes

    static Possible Present(int version, std::string why = {}) { return {false, {version}, std::move(why)}; }
    static Possible Absent(std::string why = {}) { return {true, {}, std::move(why)}; }
    static Possible Unknown() { return {true, {}, {}, true}; }
};

using Expectation = std::map<std::string, Possible>;

// A breach of one of the harness's checks.
struct Violation {
    std::string check;  // "a" to "e", or "crash"
    std::string what;
};

// Works out what one worker's entries may be after its edits of this round.
// `initial` holds the worker's entries as found before the round. An edit
// reported done that started after the last replacement (or in a round without
// one) decides its entries; any other edit only widens what they may be.
// Edits that report success for something the model knows was impossible are
// added to `violations`.
Expectation ExpectAfter(Expectation initial, const std::vector<Edit>& edits,
                        const std::optional<Replacement>& lastReplacement, std::vector<Violation>& violations);

}  // namespace varnok::torture
