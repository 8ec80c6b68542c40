#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace varnok::bench {

// The files every operation works on, under one folder.
struct Layout {
    std::filesystem::path root;
    std::filesystem::path game() const { return root / "Game.rfh"; }         // the 5000-entry archive
    std::filesystem::path smaller() const { return root / "Base4000.rfh"; }  // its first 4000 entries
    std::filesystem::path newFiles() const { return root / "new"; }          // the folder of 1000 files
    std::filesystem::path sounds() const { return root / "Sounds.bag"; }     // the 5000-entry sound archive
    std::filesystem::path waves() const { return root / "waves"; }           // the folder of 500 WAVE files
    std::filesystem::path work() const { return root / "work"; }             // emptied before each run
};

// The stored folder the folder removal takes out.
inline constexpr const char* kRemovedFolder = "DATA\\TEXTURES\\UNITS\\";
inline constexpr int kRemovedEntries = 200;

// One measured operation: ours through the engine, or its bare baseline.
struct Operation {
    const char* name;
    const char* what;
};
const std::vector<Operation>& Operations();

// Runs one operation on the layout and returns the seconds its timed part took.
// `note` says what it did, and anything that went wrong.
double RunOperation(const std::string& name, const Layout& layout, std::string& note);

}  // namespace varnok::bench
