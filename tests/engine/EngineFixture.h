#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "engine/mVarnokEngine.h"
#include "formats/cBAG.h"
#include "tests/engine/ScriptedUi.h"
#include "tests/support/TempDir.h"

namespace varnok::test {

namespace fs = std::filesystem;

// An entry to build an archive with: stored name ("folder\name") and bytes.
struct StoredFile {
    std::string name, bytes;
};

// The bytes of one index row: six fields, then the name and its terminator.
std::vector<std::uint8_t> IndexRow(const std::string& name, std::int32_t packedSize, std::int32_t originalSize,
                                   std::int32_t offset);
// An index of `count` rows "f0.bin", "f1.bin", ... whose payloads need not exist.
std::vector<std::uint8_t> BigIndex(int count);
// The stored names of an index on disk, read afresh.
std::vector<std::string> StoredNames(const fs::path& index);
// Every file below a folder, as relative paths with "/".
std::set<std::string> FilesBelow(const fs::path& folder);

class EngineTest : public ::testing::Test {
protected:
    // Removals are confirmed by the test that checks the question; elsewhere the
    // command itself is the confirmation, as on the command line.
    EngineTest() {
        engine.InitEngine();
        engine.AskBeforeRemoving(false);
    }
    void TearDown() override { EXPECT_TRUE(ui.interfaceEnabled) << "the interface was left disabled"; }

    // An RFH pair written with the format classes; returns the index path.
    fs::path MakeRfh(const std::string& fileName, const std::vector<StoredFile>& files) const;
    fs::path MakeBag(const std::string& fileName, const std::vector<BAGWriteEntry>& entries) const {
        cBAG::BAGWrite(dir / fileName, entries);
        return dir / fileName;
    }
    void Open(const fs::path& path) { engine.OpenArchive(path.string()); }
    // Selects rows with the focus on `focus` (else the first) and recomputes the
    // totals, as a click does.
    void Select(const std::set<int>& rows, int focus = 0) {
        ui.selected = rows;
        ui.focused = focus != 0 ? focus : (rows.empty() ? 0 : *rows.begin());
        engine.UpdateSelection();
    }
    std::string Cell(int row, Column column) const { return engine.Row(row)[column]; }
    std::vector<std::string> Cells(Column column) const {
        std::vector<std::string> cells;
        for (const auto& row : engine.Rows()) cells.push_back(row[column]);
        return cells;
    }
    static std::string Question(const std::string& file, const fs::path& folder) {
        return file + " already exists in the directory: " + folder.string() +
               "/ do you want to overwrite the existing file?";
    }
    // What every entry of the open archive extracts to, by row.
    std::vector<std::string> Extracted();
    // A stored (unpacked) pair written byte by byte from rows of {name, size,
    // offset}; returns the index path.
    fs::path RawPair(const std::string& name, const std::vector<std::tuple<std::string, int, int>>& rows,
                     const std::string& data) const;
    // Whether a message shown so far contains `part`.
    bool Said(const std::string& part) const;

    TempDir dir;
    ScriptedUi ui;
    mVarnokEngine engine{ui};
    const std::string appTitle = "Varnok 2 - Beta 1/Build 77";
};

}  // namespace varnok::test
