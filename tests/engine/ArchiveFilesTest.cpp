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
    fs::path OpenBag() {
        const fs::path bag = MakeBag("Sounds.bag", {{"boom", 22050, 0, 0, std::vector<std::uint8_t>(12, 7)}});
        Open(bag);
        return bag;
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
    EXPECT_EQ(ui.LastCommand(), "EnableAdd");
    EXPECT_TRUE(ui.messages.empty());

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
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Critical);
    for (const auto& m : ui.messages) EXPECT_EQ(m.buttons, MessageButtons::YesNoDefaultNo) << "Enter keeps the file";
    EXPECT_EQ(ReadText(index) + ReadText(data), "old indexold data") << "declining the second keeps the first too";

    // A data file in other letter case is the one asked about, and replaced.
    fs::rename(data, dir / "NEW.RFD");
    ui.messages.clear();
    ui.messageAnswers = {MessageAnswer::Yes, MessageAnswer::Yes};
    EXPECT_TRUE(engine.ConfirmCreateArchive(index.string(), NewArchiveType::RFH, ""));
    EXPECT_EQ(Texts(), (std::vector<std::string>{Overwrite(index), Overwrite(dir / "NEW.RFD")}));
    EXPECT_EQ(Files(), (std::vector<std::string>{"new.rfd", "new.rfh"}));
    EXPECT_EQ(fs::file_size(index), 0u);
}

TEST_F(EngineArchiveFiles, CreatingRefusesBagsAndUnusableNamesBeforeTouchingAnything) {
    const fs::path bag = dir.write("new.bag", "keep me"), data = dir.write("new.rfd", "keep me too");
    EXPECT_TRUE(engine.ConfirmCreateArchive(bag.string(), NewArchiveType::BAG, ""));
    ASSERT_EQ(ui.messages.size(), 1u) << "nothing is asked";
    EXPECT_EQ(ui.messages[0].text, "You can't create a new bag file with this beta version.");
    EXPECT_EQ(ui.messages[0].title, appTitle);
    for (const std::string& name : {std::string("ab"), (dir / "x/").string()}) {
        EXPECT_FALSE(engine.ConfirmCreateArchive(name, NewArchiveType::RFH, "")) << name;
        EXPECT_EQ(ui.messages.back().text, "Please select a valid filename to use.") << name;
    }
    EXPECT_EQ(ReadText(bag) + ReadText(data), "keep mekeep me too");
    EXPECT_EQ(Files(), (std::vector<std::string>{"new.bag", "new.rfd"}));
}

TEST_F(EngineArchiveFiles, ANameTypedWithoutItsExtensionGetsIt) {
    // Without it, "abc" and "xyz" would both have the data file "rfd".
    ui.saveResults = {(dir / "abc").string(), (dir / "xyz.RFH").string()};
    EXPECT_EQ(engine.BrowseNewArchiveName("", NewArchiveType::RFH), (dir / "abc.rfh").string());
    EXPECT_EQ(engine.BrowseNewArchiveName("", NewArchiveType::RFH), (dir / "xyz.RFH").string());
    ui.saveResults = {(dir / "s").string(), "kept"};
    EXPECT_EQ(engine.BrowseNewArchiveName("", NewArchiveType::BAG), (dir / "s.bag").string());
    EXPECT_EQ(engine.BrowseNewArchiveName("kept", NewArchiveType::RFH), "kept") << "cancelled";

    EXPECT_TRUE(engine.ConfirmCreateArchive((dir / "abc").string(), NewArchiveType::RFH, ""));
    engine.AddFileToArchive(dir.write("in/a.txt", "alpha alpha").string(), "");
    EXPECT_TRUE(engine.ConfirmCreateArchive((dir / "xyz").string(), NewArchiveType::RFH, ""));
    EXPECT_EQ(Files(), (std::vector<std::string>{"abc.rfd", "abc.rfh", "xyz.rfd", "xyz.rfh"}));
    EXPECT_EQ(engine.ArchivePath(), (dir / "xyz.rfh").string());

    engine.RenameArchive(engine.ArchivePath(), "mod");
    Open(dir / "abc.rfh");
    engine.RenameArchive(engine.ArchivePath(), "other.Rfh");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(Files(), (std::vector<std::string>{"mod.rfd", "mod.rfh", "other.Rfd", "other.Rfh"}));
    EXPECT_EQ(FirstEntry(), "alpha alpha");
}

TEST_F(EngineArchiveFiles, ACopyTakesBothFilesAndTheEngineGoesOnWithIt) {
    const fs::path index = OpenGame();
    fs::rename(dir / "game.rfd", dir / "GAME.RFD");  // a data file in other letter case follows too
    const auto dataBytes = ReadBytes(dir / "GAME.RFD");
    fs::create_directories(dir / "dest");
    engine.CopyArchive(index.string(), (dir / "dest").string());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(Files("dest"), (std::vector<std::string>{"game.rfd", "game.rfh"})) << "no staging files left";
    EXPECT_EQ(ReadBytes(dir / "dest/game.rfh"), ReadBytes(index));
    EXPECT_EQ(ReadBytes(dir / "dest/game.rfd"), dataBytes);
    EXPECT_EQ(engine.ArchivePath(), (dir / "dest/game.rfh").string());
    EXPECT_EQ(ui.caption + "|" + ui.pathLabel, appTitle + " - [game.rfh]|" + engine.ArchivePath());

    // Later changes reach the copy alone.
    ui.messageAnswers = {MessageAnswer::Yes};
    engine.RemoveAllFiles();
    engine.AddFileToArchive(dir.write("in/c.txt", "charlie").string(), "");
    EXPECT_EQ(StoredNames(dir / "dest/game.rfh"), std::vector<std::string>{"c.txt"});
    EXPECT_EQ(StoredNames(index).size(), 2u);
}

TEST_F(EngineArchiveFiles, ABagCopyOrMoveIsOneFile) {
    const fs::path bag = OpenBag();
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    engine.CopyArchive(bag.string(), (dir / "a/").string());
    engine.MoveArchive(engine.ArchivePath(), (dir / "b").string());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(Files("a"), std::vector<std::string>{});
    EXPECT_EQ(Files("b"), std::vector<std::string>{"Sounds.bag"});
    fs::remove(bag);
    EXPECT_EQ(FirstEntry(), std::string(12, '\7')) << "the BAG is read at its new place";
}

TEST_F(EngineArchiveFiles, AMoveDeletesTheSourceOnlyOnceTheCopyStandsElsewhere) {
    const fs::path index = OpenGame();
    engine.MoveArchive(index.string(), dir.path().string());
    engine.MoveArchive(index.string(), (dir / "missing").string());
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "The archive is already in " + dir.path().string() + "/, so it was not moved.");
    EXPECT_EQ(ui.messages[1].text.rfind("The archive could not be moved to " + (dir / "missing/").string(), 0), 0u);
    EXPECT_EQ(engine.ArchivePath(), index.string());
    EXPECT_EQ(FirstEntry(), "alpha alpha alpha");

    // A file at the target is replaced only when the user says so.
    const fs::path oldIndex = dir.write("dest/game.rfh", "old"), oldData = dir.write("dest/game.rfd", "old");
    ui.messages.clear();
    ui.messageAnswers = {MessageAnswer::Yes, MessageAnswer::No};
    engine.MoveArchive(index.string(), (dir / "dest").string());
    EXPECT_EQ(Texts(), (std::vector<std::string>{Overwrite(oldIndex), Overwrite(oldData)}));
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNoDefaultNo);
    EXPECT_EQ(ReadText(oldIndex), "old");

    ui.messageAnswers = {MessageAnswer::Yes, MessageAnswer::Yes};
    engine.MoveArchive(index.string(), (dir / "dest").string());
    EXPECT_EQ(Files(), std::vector<std::string>{"out.txt"}) << "both files left";
    EXPECT_EQ(StoredNames(oldIndex), (std::vector<std::string>{"a.txt", "music\\b.txt"}));
    EXPECT_EQ(engine.ArchivePath(), oldIndex.string());
    EXPECT_EQ(FirstEntry(), "alpha alpha alpha");
}

TEST_F(EngineArchiveFiles, AGoneSourceClosesTheArchive) {
    const fs::path index = OpenGame();
    fs::remove(dir / "game.rfd");
    engine.CopyArchive(index.string(), (dir / "dest").string());
    const fs::path bag = OpenBag();
    fs::remove(bag);
    engine.MoveArchive(bag.string(), (dir / "dest").string());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Source file(s) doesn't exist anymore.",
                                                 "Source file doesn't exist anymore."}));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(engine.ArchivePath(), "");
}

TEST_F(EngineArchiveFiles, RenamingTakesTheDataFileAlong) {
    const fs::path index = OpenGame("GAME.RFH");
    fs::rename(dir / "GAME.RFD", dir / "game.rfd");
    engine.RenameArchive(index.string(), "some/folder/mod.rfh");  // a folder typed in front is dropped
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(Files(), (std::vector<std::string>{"mod.rfd", "mod.rfh"}));
    EXPECT_EQ(ui.caption, appTitle + " - [mod.rfh]");
    EXPECT_EQ(FirstEntry(), "alpha alpha alpha");
    engine.RenameArchive(engine.ArchivePath(), "Mod.rfh");  // one letter's case alone
    EXPECT_EQ(Files(), (std::vector<std::string>{"Mod.rfd", "Mod.rfh", "out.txt"}));
    EXPECT_EQ(engine.ArchivePath(), (dir / "Mod.rfh").string());
}

TEST_F(EngineArchiveFiles, ARenameThatCannotBeDoneKeepsTheOldName) {
    const fs::path index = OpenGame();
    dir.write("taken.rfd", "someone else's");
    for (const char* name : {"taken", "", "x/.."}) engine.RenameArchive(index.string(), name);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[0].text,
              "A file named 'taken.rfd' already exists in " + dir.path().string() + "/, so the archive was not renamed.");
    EXPECT_EQ(ui.messages[1].text, "\"\" can't be the archive's new name.");
    EXPECT_EQ(ui.messages[2].text, "\"..\" can't be the archive's new name.");
    EXPECT_EQ(Files(), (std::vector<std::string>{"game.rfd", "game.rfh", "taken.rfd"}));
    EXPECT_EQ(engine.ArchivePath(), index.string());
}

TEST_F(EngineArchiveFiles, DeletingAsksThenRemovesBothFilesAndCloses) {
    const fs::path index = OpenGame();
    fs::rename(dir / "game.rfd", dir / "Game.RFD");
    ui.messageAnswers = {MessageAnswer::No, MessageAnswer::Yes};
    engine.DeleteArchive();
    EXPECT_EQ(Files().size(), 2u);
    engine.DeleteArchive();
    EXPECT_EQ(Texts(), (std::vector<std::string>(2, "Are you sure you want to delete this archive?")));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Question);
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNoDefaultNo) << "Enter keeps the archive";
    EXPECT_EQ(Files(), std::vector<std::string>{});
    EXPECT_EQ(engine.ArchivePath(), "");
    EXPECT_EQ(ui.LastCommand(), "DisableAll");
}

}  // namespace
}  // namespace varnok::test
