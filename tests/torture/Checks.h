#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/torture/Archive.h"
#include "tests/torture/Model.h"
#include "tests/torture/Varnok.h"

namespace varnok::torture {

// The archive as varnok reads it after a round.
struct Observation {
    bool consistent = true;                   // varnok test passed and every entry is intact
    std::map<std::string, Identity> entries;  // by entry name
};

// Check (a): `varnok test` passes, and every entry lists once and extracts to
// exactly the bytes its name implies.
Observation Observe(const Archive& archive, const Varnok& varnok, const std::filesystem::path& scratch,
                    std::vector<Violation>& violations);

// Checks (b) and (c): what was found against what the edits reported.
void CompareWithModel(const Expectation& expected, const Observation& found, std::vector<Violation>& violations);

// Check (d): the user's files beside the archive are as they were put there.
void CheckDecoys(const Archive& archive, const std::string& when, std::vector<Violation>& violations);
void PutDecoys(const Archive& archive);

// Check (e): the archive's folder holds the archive's files, the user's files and
// the side folder, and nothing else. What else is there is removed afterwards.
void CheckNoLeftovers(const Archive& archive, std::vector<Violation>& violations);

// The entry names a `varnok list --json` output lists, in order.
std::vector<std::string> ListedNames(const std::string& json);

}  // namespace varnok::torture
