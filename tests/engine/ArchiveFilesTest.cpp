// Creating, copying, moving, renaming and deleting the archive's files.
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

    // Without the extension typed, "abc" and "xyz" would both have the data file "rfd".
    ui.saveResults = {(dir / "abc").string()};
    EXPECT_EQ(engine.BrowseNewArchiveName("", NewArchiveType::RFH), (dir / "abc.rfh").string());
    EXPECT_TRUE(ui.messages.empty());
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

    // BAGs and unusable names are refused before anything is touched.
    const fs::path bag = dir.write("new.bag", "keep me");
    ui.messages.clear();
    EXPECT_TRUE(engine.ConfirmCreateArchive(bag.string(), NewArchiveType::BAG, ""));
    EXPECT_FALSE(engine.ConfirmCreateArchive((dir / "x/").string(), NewArchiveType::RFH, ""));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"You can't create a new bag file with this beta version.",
                                                 "Please select a valid filename to use."}));
    EXPECT_EQ(ReadText(bag), "keep me");
}

TEST_F(EngineArchiveFiles, ACopyTakesBothFilesAndTheEngineGoesOnWithIt) {
    const fs::path index = OpenGame();
    fs::rename(dir / "game.rfd", dir / "GAME.RFD");  // a data file in other letter case follows too
    const auto dataBytes = ReadBytes(dir / "GAME.RFD");
    fs::create_directories(dir / "dest");
    engine.CopyArchive(index.string(), (dir / "dest").string());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(Files("dest"), (std::vector<std::string>{"game.rfd", "game.rfh"})) << "no staging files left";
    EXPECT_EQ(ReadBytes(dir / "dest/game.rfd"), dataBytes);

    // Later changes reach the copy alone.
    engine.AddFileToArchive(dir.write("in/c.txt", "charlie").string(), "");
    EXPECT_EQ(StoredNames(dir / "dest/game.rfh").size(), 3u);
    EXPECT_EQ(StoredNames(index).size(), 2u);

    // A BAG is one file.
    const fs::path bag = MakeBag("Sounds.bag", {{"boom", 22050, 0, 0, std::vector<std::uint8_t>(12, 7)}});
    Open(bag);
    fs::create_directories(dir / "b");
    engine.MoveArchive(bag.string(), (dir / "b").string() + "/");
    EXPECT_EQ(Files("b"), std::vector<std::string>{"Sounds.bag"});
    EXPECT_FALSE(fs::exists(bag));
    EXPECT_EQ(FirstEntry(), std::string(12, '\7')) << "the BAG is read at its new place";
}

TEST_F(EngineArchiveFiles, AMoveDeletesTheSourceOnlyOnceTheCopyStandsElsewhere) {
    const fs::path index = OpenGame();
    engine.MoveArchive(index.string(), dir.path().string());
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"The archive is already in " + dir.path().string() + "/, so it was not moved."});

    // A file at the target is replaced only when the user says so.
    const fs::path oldIndex = dir.write("dest/game.rfh", "old"), oldData = dir.write("dest/game.rfd", "old");
    ui.messages.clear();
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

    // A source gone meanwhile closes the archive.
    fs::remove(dir / "dest/game.rfd");
    engine.CopyArchive(oldIndex.string(), dir.path().string());
    EXPECT_EQ(ui.messages.back().text, "Source file(s) doesn't exist anymore.");
    EXPECT_EQ(engine.ArchivePath(), "");
}

TEST_F(EngineArchiveFiles, RenamingTakesTheDataFileAlongOrKeepsTheOldName) {
    const fs::path index = OpenGame("GAME.RFH");
    fs::rename(dir / "GAME.RFD", dir / "game.rfd");
    engine.RenameArchive(index.string(), "some/folder/mod.rfh");  // a folder typed in front is dropped
    engine.RenameArchive(engine.ArchivePath(), "Mod.Rfh");        // the letter case alone
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(Files(), (std::vector<std::string>{"Mod.Rfd", "Mod.Rfh"}));
    EXPECT_EQ(ui.caption, appTitle + " - [Mod.Rfh]");
    EXPECT_EQ(FirstEntry(), "alpha alpha alpha");

    dir.write("taken.rfd", "someone else's");
    for (const char* name : {"taken", "", "x/.."}) engine.RenameArchive(engine.ArchivePath(), name);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"A file named 'taken.rfd' already exists in " + dir.path().string() +
                                                     "/, so the archive was not renamed.",
                                                 "\"\" can't be the archive's new name.",
                                                 "\"..\" can't be the archive's new name."}));
    EXPECT_EQ(engine.ArchivePath(), (dir / "Mod.Rfh").string());
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
