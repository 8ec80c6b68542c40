// Adding, cancelling and editing BAG records through the engine.
#include <functional>
#include <set>

#include "engine/PairCommit.h"
#include "formats/audio/Wave.h"
#include "formats/cRFH.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

using EngineAdd = EngineTest;

TEST_F(EngineAdd, AFileOfThreeBytesOrMoreIsAppended) {
    const fs::path index = MakeRfh("Game.rfh", {{"first.txt", "first"}}), data = dir / "Game.rfd";
    Open(index);
    const auto indexBytes = ReadBytes(index), dataBytes = ReadBytes(data);

    engine.AddFileToArchive(dir.write("in/two.bin", "ab").string(), "");
    engine.AddFileToArchive((dir / "in/missing.bin").string(), "");  // unreadable
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[0].text.find("two.bin: a file of 2 bytes or fewer can't be added"), std::string::npos);
    EXPECT_NE(ui.messages[1].text.find("missing.bin"), std::string::npos);
    EXPECT_EQ(ReadBytes(index), indexBytes);
    EXPECT_EQ(ReadBytes(data), dataBytes);

    engine.AddFileToArchive(dir.write("in/three.bin", "abc").string(), "");
    EXPECT_EQ(ui.rowCount, 2);
    EXPECT_EQ(ui.LastCommand(), "EnableAll");
    EXPECT_EQ(Extracted(), (std::vector<std::string>{"first", "abc"}));
}

TEST_F(EngineAdd, AddFileTakesSeveralFilesAtOnce) {
    Open(MakeRfh("Game.rfh", {{"first.txt", "first"}}));
    ui.openResults = {{dir.write("in/a.txt", "alpha").string(), dir.write("in/b.txt", "bravo").string()}, {}};
    engine.BrowseAndAddFile();
    engine.BrowseAndAddFile();  // cancelled
    EXPECT_EQ(Extracted(), (std::vector<std::string>{"first", "alpha", "bravo"}));
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text;
}

// Each file refused for its size is named, with the rule, in the one report that
// ends the add, whatever the archive and however the files came.
TEST_F(EngineAdd, FilesOfTwoBytesOrFewerAreListedInTheReport) {
    const auto header = audio::PcmWaveHeader(1, 22050, 16, 4);
    Bytes wave(header.begin(), header.end());
    wave.resize(wave.size() + 4, 7);
    const fs::path empty = dir.write("in/empty.wav", ""), two = dir.write("in/two.wav", "ab");
    dir.write("in/fine.wav", wave);
    const std::string rule = ": a file of 2 bytes or fewer can't be added";
    const struct {
        const char* archive;
        std::function<void()> add;
        std::vector<fs::path> refused;
        std::size_t added;
    } cases[] = {
        {"Game.rfh", [&] { engine.AddFileToArchive(two.string(), ""); }, {two}, 0},
        {"Game.rfh", [&] { engine.AddDirectoryToArchive((dir / "in").string(), ""); }, {empty, two}, 1},
        {"Sounds.bag", [&] { engine.AddFileToArchive(empty.string(), ""); }, {empty}, 0},
        {"Sounds.bag", [&] { engine.AddDirectoryToArchive((dir / "in").string(), ""); }, {empty, two}, 1},
    };
    int run = 0;
    for (const auto& c : cases) {
        const std::string name = std::to_string(++run) + c.archive;
        Open(name.ends_with(".bag") ? MakeBag(name, {}) : MakeRfh(name, {}));
        ui.messages.clear();
        c.add();
        ASSERT_EQ(ui.messages.size(), 1u) << name;
        std::string expected =
            c.added == 0 ? "These files could not be added:\n" : "1 file was added; these could not be added:\n";
        for (const fs::path& file : c.refused) expected += "\n" + file.string() + rule;
        EXPECT_EQ(ui.messages[0].text, expected) << name;
        EXPECT_EQ(engine.RowCount(), static_cast<int>(c.added)) << name;
    }
}

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
    EXPECT_TRUE(AddMarker(data).Markers().empty());

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

using EngineRemove = EngineTest;

// The question before a removal names what goes, in entry order: ten names at
// most, so that the box stays on the screen, then how many more.
TEST_F(EngineRemove, TheQuestionNamesTheEntries) {
    std::vector<StoredFile> files = {{"readme.txt", "read me"}};
    std::string twelve = "Remove 12 entries from Game.rfh?\n";
    for (int i = 1; i <= 12; ++i) {
        files.push_back({"sfx\\s" + std::to_string(i) + ".wav", "sound"});
        if (i <= 10) twelve += "\nsfx\\s" + std::to_string(i) + ".wav";
    }
    engine.AskBeforeRemoving(true);
    Open(MakeRfh("Game.rfh", files));
    const std::pair<std::set<int>, std::string> cases[] = {
        {{1}, "Remove 1 entry from Game.rfh?\n\nreadme.txt"},
        {{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}, twelve + "\nand 2 more"},
    };
    for (const auto& [rows, question] : cases) {
        Select(rows);
        ui.messageAnswers = {MessageAnswer::No};
        engine.RemoveSelectedFiles();
        EXPECT_EQ(ui.messages.back().text, question);
    }
}

class BagEditing : public EngineTest {
protected:
    fs::path MakeSounds() {
        return MakeBag(
            "Sounds.bag",
            {{"a", 22050, 6, 0, Bytes(10, 1)}, {"b", 22050, 6, 0, Bytes(12, 2)}, {"c", 44100, 37, 0, Bytes(9, 3)}});
    }
    std::string Wave(const std::string& name, unsigned channels, std::uint32_t rate, unsigned bits,
                     const Bytes& data) const {
        const auto header = audio::PcmWaveHeader(channels, rate, bits, data.size());
        Bytes file(header.size() + data.size());
        std::copy(data.begin(), data.end(), std::copy(header.begin(), header.end(), file.begin()));
        return dir.write("in/" + name, file).string();
    }
    // Each record read back from the file: name as listed, frequency, type, raw data.
    struct Record {
        std::string name;
        std::int32_t frequency, type;
        Bytes data;
        bool operator==(const Record&) const = default;
    };
    std::vector<Record> Records(const fs::path& bag) const {
        cBAG b;
        b.BAGOpen(bag);
        std::vector<Record> out;
        for (std::int32_t n = 1; n <= b.BAGGetFileCount(); ++n) {
            out.push_back(
                {b.BAGGetFileName(n), b.BAGGetFileFrequency(n), b.BAGGetFileType(n), b.BAGReadFile(n, false)});
        }
        return out;
    }
};

// What a record holds is checked with the BAG format itself; here, the commands and the list.
TEST_F(BagEditing, AddReplaceRemoveAndRenameUpdateTheFileAndTheList) {
    const fs::path bag = MakeSounds();
    Open(bag);

    // Add Directory takes the folder's WAVE and MP3 files only.
    Wave("d.wav", 1, 22050, 16, Bytes(8, 4));
    Wave("e.WAV", 2, 11025, 8, Bytes(6, 5));
    dir.write("in/notes.txt", "not a sound");
    engine.AddDirectoryToArchive((dir / "in").string() + "/", "ignored\\");
    EXPECT_EQ(Cells(Column::Filename), (std::vector<std::string>{"a.w", "b.w", "c.mp3", "d.w", "e.w"}));
    EXPECT_EQ(ui.LastCommand(), "EnableAllBAG");

    // A file named as a record replaces its data; number and name stay.
    ui.overwriteAnswers = {OverwriteAnswer::Yes};
    engine.AddFileToArchive(Wave("B.wav", 1, 8000, 8, Bytes(20, 6)), "");
    EXPECT_EQ(ui.overwriteQuestions,
              std::vector<std::string>{"\"b.w\" already exists in the archive. Do you want to replace it?"});
    Bytes widened;  // 8-bit samples of 6 stored as 16-bit ones, 0x8600
    for (int i = 0; i < 20; ++i) widened.insert(widened.end(), {0x00, 0x86});
    EXPECT_EQ(Records(bag)[1], (Record{"b.w", 8000, 6, widened}));

    Select({1, 3});
    engine.RemoveSelectedFiles();
    EXPECT_EQ(Cells(Column::Filename), (std::vector<std::string>{"b.w", "d.w", "e.w"}));
    EXPECT_EQ(Cells(Column::FileNr), (std::vector<std::string>{"1", "2", "3"}));

    // The listed extension is not part of the stored name.
    ui.focused = 2;
    engine.ConfirmRename("dir\\bang.w");
    EXPECT_EQ(Records(bag)[1], (Record{"bang.w", 22050, 6, Bytes(8, 4)}));
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.back().text;
}

}  // namespace
}  // namespace varnok::test
