#include <functional>

#include "engine/PairCommit.h"
#include "formats/cRFH.h"
#include "platform/Folders.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

using EngineCancel = EngineTest;

std::vector<StoredFile> Lettered(int count, const std::string& folder = "") {
    std::vector<StoredFile> files;
    for (int i = 0; i < count; ++i) {
        const char letter = static_cast<char>('a' + i);
        files.push_back({folder + letter + ".txt", std::string(1000 + i, letter)});
    }
    return files;
}

// Each extract command stops after the entry in hand: the files it finished are
// whole, nothing half-written is left, and panel 1 says how far it got.
TEST_F(EngineCancel, AnExtractionStopsAfterTheEntryInHand) {
    Open(MakeRfh("Game.rfh", Lettered(6, "x\\")));
    const std::pair<std::function<void(const fs::path&)>, const char*> cases[] = {
        {[&](const fs::path& out) { engine.ExtractAllFiles(out.string(), false, false, true); },
         "Cancelled: 2 of 6 files extracted."},
        {[&](const fs::path& out) {
             Select({1, 2, 4, 5});
             ui.folders = {out.string()};
             engine.ExtractSelectedFiles(true);
         },
         "Cancelled: 2 of 4 files extracted."},
        {[&](const fs::path& out) { engine.ExtractDirectory("X\\", out.string(), false); },
         "Cancelled: 2 of 6 files extracted."},
    };
    int runs = 0;
    for (const auto& [run, expected] : cases) {
        const fs::path out = dir / ("out" + std::to_string(++runs));
        ui.cancelChecks = 0;
        ui.cancelAfter = 2;
        run(out);
        EXPECT_EQ(FilesBelow(out), (std::set<std::string>{"a.txt", "b.txt"})) << expected;
        EXPECT_EQ(ReadText(out / "b.txt"), std::string(1001, 'b'));
        EXPECT_EQ(ui.cancelChecks, 2) << "nothing is asked after the cancel";
        EXPECT_EQ(ui.panel[1], expected);
    }
}

// An add stops between two files: the index lists exactly the files added so far,
// the data file ends where they end, and the add's recovery marker is gone.
TEST_F(EngineCancel, AnAddKeepsWhatItAddedAndLeavesTheArchiveConsistent) {
    const fs::path index = MakeRfh("Game.rfh", {{"first.txt", "first"}}), data = dir / "Game.rfd";
    Open(index);
    std::vector<std::string> files;
    for (const char* name : {"b.txt", "c.txt", "d.txt", "e.txt", "f.txt"}) {
        files.push_back(dir.write(fs::path("in") / name, std::string(500, name[0])).string());
    }
    ui.cancelAfter = 3;
    engine.AddDroppedFiles(files);
    EXPECT_EQ(ui.panel[1], "Cancelled: 3 of 5 files added.");
    EXPECT_EQ(ui.rowCount, 4);
    EXPECT_FALSE(fs::exists(AddMarker(data).MarkerPath()));

    // What is on disk is a whole archive.
    engine.CloseArchive();
    Open(index);
    ASSERT_EQ(engine.FileCount(), 4);
    EXPECT_EQ(fs::file_size(data), static_cast<std::uintmax_t>(engine.Index().RFHNextOffSet()));
    engine.ExtractEntry(4, dir / "d.back");
    EXPECT_EQ(ReadText(dir / "d.back"), std::string(500, 'd'));
}

// A removal is one commit: a cancel while it is being prepared removes nothing.
TEST_F(EngineCancel, ARemovalCancelledWhilePreparedRemovesNothing) {
    const fs::path index = MakeRfh("Game.rfh", Lettered(4));
    Open(index);
    const auto indexBytes = ReadBytes(index);
    Select({2, 3});
    ui.cancelAfter = 1;
    engine.RemoveSelectedFiles();
    EXPECT_EQ(ui.panel[1], "Cancelled: 0 of 2 files removed.");
    EXPECT_EQ(ReadBytes(index), indexBytes);
    EXPECT_EQ(engine.RowCount(), 4);
}

// Viewing several entries stops after the one in hand; entries of one name are
// opened from the same file of the view folder; one no program opens is named.
TEST_F(EngineCancel, ViewingStopsAndNamesWhatNoProgramOpened) {
    Open(MakeRfh("Game.rfh", {{"A\\same.txt", "first"}, {"B\\same.txt", "second"}, {"other.txt", "other"}}));
    const fs::path view = dir / "windows/Temp/TMP0005";
    ASSERT_EQ(ViewFolder(), view);
    Select({1, 2, 3});
    ui.canOpenFiles = false;
    ui.cancelAfter = 2;
    engine.ViewFile();
    EXPECT_EQ(ui.opened, (std::vector<std::string>(2, (view / "same.txt").string())));
    EXPECT_EQ(ReadText(view / "same.txt"), "second");
    EXPECT_EQ(ui.panel[1], "Cancelled: 2 of 3 files viewed.");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              "These files could not be viewed:\n\n"
              "same.txt: no program could be started to open it\n"
              "same.txt: no program could be started to open it");

    // Open-with takes the focused row only and opens nothing itself.
    fs::remove_all(view);
    ui.opened.clear();
    Select({1, 2, 3}, 3);
    EXPECT_EQ(engine.ViewFileWith(), (view / "other.txt").string());
    EXPECT_EQ(FilesBelow(view), std::set<std::string>{"other.txt"});
    EXPECT_TRUE(ui.opened.empty());
}

}  // namespace
}  // namespace varnok::test
