// Adding, replacing, removing and renaming the records of a BAG archive through
// the engine.
#include "formats/audio/Wave.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

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
    std::string LastMessage() const { return ui.messages.empty() ? "" : ui.messages.back().text; }
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
    EXPECT_EQ(Records(bag)[1], (Record{"b.w", 8000, 2, Bytes(20, 6)}));

    engine.SetAddAsAdpcm(true);
    engine.AddFileToArchive(Wave("speech.wav", 1, 22050, 16, Bytes(4000, 0)), "");
    EXPECT_EQ(engine.Bag().BAGGetFileType(6), 28);

    Select({1, 3});
    engine.RemoveSelectedFiles();
    EXPECT_EQ(Cells(Column::Filename), (std::vector<std::string>{"b.w", "d.w", "e.w", "speech.cmp"}));
    EXPECT_EQ(Cells(Column::FileNr), (std::vector<std::string>{"1", "2", "3", "4"}));

    // The listed extension is not part of the stored name.
    ui.focused = 2;
    engine.ConfirmRename("dir\\bang.w");
    EXPECT_EQ(Records(bag)[1], (Record{"bang.w", 22050, 6, Bytes(8, 4)}));
    EXPECT_EQ(Cell(2, Column::Filename), "bang.w");
    EXPECT_TRUE(ui.messages.empty()) << LastMessage();
}

TEST_F(BagEditing, RefusedFilesAreListedOneLineEachAndTheRestAreAdded) {
    const fs::path bag = MakeSounds();
    Open(bag);
    const std::string tooLong = Wave(std::string(33, 'x') + ".wav", 1, 22050, 16, Bytes(8, 1));
    const std::string thirtyTwo = Wave(std::string(32, 'y') + ".wav", 1, 22050, 16, Bytes(8, 2));
    const std::string snowman = Wave("snow\xE2\x98\x83.wav", 1, 22050, 16, Bytes(8, 3));
    const std::string notAWave = dir.write("in/noise.wav", "this is no RIFF file").string();
    engine.AddFilesToArchive({tooLong, thirtyTwo, snowman, notAWave}, "");

    ASSERT_EQ(ui.messages.size(), 1u);
    const std::string& report = ui.messages[0].text;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 4) << report;
    EXPECT_NE(report.find(tooLong + ": the name \"" + std::string(33, 'x') + "\" is 33 bytes long"), std::string::npos)
        << report;
    EXPECT_NE(report.find(snowman + ": its name has characters an archive cannot store"), std::string::npos);
    EXPECT_EQ(ui.panel[1], "Done, but some files were not added.");
    ASSERT_EQ(engine.FileCount(), 4);
    EXPECT_EQ(Records(bag)[3].name, std::string(32, 'y') + ".w");

    // A refused rename changes nothing.
    const Bytes before = ReadBytes(bag);
    ui.focused = 1;
    engine.ConfirmRename(std::string(33, 'z'));
    EXPECT_NE(LastMessage().find("33 bytes long"), std::string::npos) << LastMessage();
    EXPECT_EQ(ReadBytes(bag), before);
}

}  // namespace
}  // namespace varnok::test
