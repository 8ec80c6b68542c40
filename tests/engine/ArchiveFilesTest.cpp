// Creating, copying, moving, renaming and deleting the archive's files.
#include <deque>

#include "formats/audio/Wave.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

class EngineArchiveFiles : public EngineTest {
protected:
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& m : ui.messages) texts.push_back(m.text);
        return texts;
    }
    static std::string Overwrite(const fs::path& file) {
        return "File '" + file.string() + "' already exist,\r\nDo you want to overwrite it?";
    }
    fs::path OpenGame(const std::string& name = "game.rfh") {
        const fs::path index = MakeRfh(name, {{"a.txt", "alpha alpha alpha"}, {"music\\b.txt", "bravo bravo"}});
        Open(index);
        return index;
    }
    // The regular files directly in a folder of the test's own, sorted.
    std::vector<std::string> Files(const fs::path& folder = {}) const {
        std::vector<std::string> names;
        for (const auto& name : dir.listing(folder)) {
            if (fs::is_regular_file(dir / folder / name)) names.push_back(name);
        }
        return names;
    }
    // Entry 1 as the engine extracts it now.
    std::string FirstEntry() {
        engine.ExtractEntry(1, dir / "out.txt");
        return ReadText(dir / "out.txt");
    }
};

TEST_F(EngineArchiveFiles, CreatingMakesAnEmptyPairAndOpensIt) {
    const fs::path index = dir / "new.rfh";
    EXPECT_TRUE(engine.ConfirmCreateArchive(index.string(), NewArchiveType::RFH, ""));
    EXPECT_EQ(Files(), (std::vector<std::string>{"new.rfd", "new.rfh"}));
    EXPECT_EQ(fs::file_size(index) + fs::file_size(dir / "new.rfd"), 0u);
    EXPECT_EQ(engine.ArchivePath(), index.string());

    // A folder to add goes into the new archive's root, without its subfolders.
    dir.write("src/one.txt", "first file");
    dir.write("src/sub/two.txt", "never added");
    EXPECT_TRUE(engine.ConfirmCreateArchive((dir / "X.RFH").string(), NewArchiveType::RFH, (dir / "src").string()));
    EXPECT_TRUE(fs::exists(dir / "X.RFD")) << "the data file takes the letter case of the index's extension";
    EXPECT_EQ(StoredNames(dir / "X.RFH"), std::vector<std::string>{"one.txt"});
}

TEST_F(EngineArchiveFiles, CreatingOverExistingFilesAsksAboutEachBeforeReplacingAny) {
    const fs::path index = dir.write("new.rfh", "old index"), data = dir.write("new.rfd", "old data");
    ui.messageAnswers = {MessageAnswer::Yes, MessageAnswer::No};
    EXPECT_FALSE(engine.ConfirmCreateArchive(index.string(), NewArchiveType::RFH, ""));
    EXPECT_EQ(Texts(), (std::vector<std::string>{Overwrite(index), Overwrite(data)}));
    for (const auto& m : ui.messages) EXPECT_EQ(m.buttons, MessageButtons::YesNoDefaultNo) << "Enter keeps the file";
    EXPECT_EQ(ReadText(index) + ReadText(data), "old indexold data") << "declining the second keeps the first too";

    // A data file in other letter case is the one asked about, and replaced.
    fs::rename(data, dir / "NEW.RFD");
    ui.messages.clear();
    ui.messageAnswers = {MessageAnswer::Yes, MessageAnswer::Yes};
    EXPECT_TRUE(engine.ConfirmCreateArchive(index.string(), NewArchiveType::RFH, ""));
    EXPECT_EQ(Texts(), (std::vector<std::string>{Overwrite(index), Overwrite(dir / "NEW.RFD")}));
    EXPECT_EQ(Files(), (std::vector<std::string>{"new.rfd", "new.rfh"}));
}

// A BAG archive is one file: the header alone, "GABA", game type 4, no records,
// record length 64.
TEST_F(EngineArchiveFiles, CreatingABagMakesOneEmptyFileThatTakesSounds) {
    const std::vector<std::uint8_t> emptyBag = {'G', 'A', 'B', 'A', 4, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0};
    const auto header = audio::PcmWaveHeader(1, 22050, 16, 4);
    std::vector<std::uint8_t> wave(header.begin(), header.end());
    wave.resize(wave.size() + 4, 0x11);
    dir.write("src/a.wav", wave);
    std::vector<std::uint8_t> mp3 = {0xFF, 0xFB, 0x90, 0x64};  // one MPEG frame of 417 bytes
    mp3.resize(417);
    dir.write("src/b.mp3", mp3);
    dir.write("src/notes.txt", "not a sound");
    const fs::path old = dir.write("old.bag", "an older file");
    const struct {
        const char* typed;
        const char* folder;
        std::deque<MessageAnswer> answers;
        bool done;
        const char* file;
        std::vector<std::string> rows;
    } cases[] = {
        {"new", "", {}, true, "new.bag", {}},  // the extension of the type chosen
        {"Sounds.BAG", "src", {}, true, "Sounds.BAG", {"a.w", "b.mp3"}},
        {"old.bag", "", {MessageAnswer::No}, false, "old.bag", {}},
        {"old.bag", "", {MessageAnswer::Yes}, true, "old.bag", {}},
    };
    for (const auto& c : cases) {
        ui.messages.clear();
        ui.messageAnswers = c.answers;
        const std::string folder = c.folder[0] ? (dir / c.folder).string() : "";
        EXPECT_EQ(engine.ConfirmCreateArchive((dir / c.typed).string(), NewArchiveType::BAG, folder), c.done)
            << c.typed;
        EXPECT_EQ(Texts(), c.answers.empty() ? std::vector<std::string>{} : std::vector{Overwrite(old)}) << c.typed;
        if (!c.done) {
            EXPECT_EQ(ReadText(old), "an older file");
            continue;
        }
        EXPECT_EQ(engine.ArchivePath(), (dir / c.file).string());
        EXPECT_TRUE(engine.IsBAG()) << c.typed;
        EXPECT_EQ(Cells(Column::Filename), c.rows) << c.typed;
        if (c.rows.empty()) {
            EXPECT_EQ(ReadBytes(dir / c.file), emptyBag) << c.typed;
        }
    }
    EXPECT_FALSE(fs::exists(dir / "new.rfd"));
}

TEST_F(EngineArchiveFiles, AMoveDeletesTheSourceOnlyOnceTheCopyStandsElsewhere) {
    const fs::path index = OpenGame();
    // A file at the target is replaced only when the user says so.
    const fs::path oldIndex = dir.write("dest/game.rfh", "old"), oldData = dir.write("dest/game.rfd", "old");
    ui.messageAnswers = {MessageAnswer::Yes, MessageAnswer::No};
    engine.MoveArchive(index.string(), (dir / "dest").string());
    EXPECT_EQ(Texts(), (std::vector<std::string>{Overwrite(oldIndex), Overwrite(oldData)}));
    EXPECT_EQ(ReadText(oldIndex), "old");
    EXPECT_EQ(engine.ArchivePath(), index.string());

    ui.messageAnswers = {MessageAnswer::Yes, MessageAnswer::Yes};
    engine.MoveArchive(index.string(), (dir / "dest").string());
    EXPECT_EQ(Files(), std::vector<std::string>{}) << "both files left";
    EXPECT_EQ(StoredNames(oldIndex), (std::vector<std::string>{"a.txt", "music\\b.txt"}));
    EXPECT_EQ(engine.ArchivePath(), oldIndex.string());
    EXPECT_EQ(FirstEntry(), "alpha alpha alpha");
}

// The window goes on with the copy, which has the original's name: the caption
// and panel 1 say which one is open. A move leaves no doubt to clear up.
TEST_F(EngineArchiveFiles, AfterACopyTheCaptionAndStatusNameTheCopy) {
    const fs::path index = OpenGame();
    const fs::path copy = dir / "backup" / "game.rfh";
    fs::create_directories(copy.parent_path());
    engine.CopyArchive(index.string(), copy.parent_path().string());
    EXPECT_EQ(engine.ArchivePath(), copy.string());
    EXPECT_EQ(ui.panel[1], "Now working on the copy " + copy.string());
    EXPECT_EQ(ui.caption, appTitle + " - [game.rfh] (copy in " + copy.parent_path().string() + ")");

    fs::create_directories(dir / "moved");
    engine.MoveArchive(copy.string(), (dir / "moved").string());
    EXPECT_EQ(ui.caption, appTitle + " - [game.rfh]");
    EXPECT_EQ(ui.panel[1], "") << "the copy it was is no more";
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(EngineArchiveFiles, DeletingAsksThenRemovesBothFilesAndCloses) {
    OpenGame();
    fs::rename(dir / "game.rfd", dir / "Game.RFD");
    ui.messageAnswers = {MessageAnswer::No, MessageAnswer::Yes};
    engine.DeleteArchive();
    EXPECT_EQ(Files().size(), 2u);
    engine.DeleteArchive();
    EXPECT_EQ(Texts(), (std::vector<std::string>(2, "Are you sure you want to delete this archive?")));
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNoDefaultNo) << "Enter keeps the archive";
    EXPECT_EQ(Files(), std::vector<std::string>{});
    EXPECT_EQ(engine.ArchivePath(), "");
    EXPECT_EQ(ui.LastCommand(), "DisableAll");
}

}  // namespace
}  // namespace varnok::test
