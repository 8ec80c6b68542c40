#include "engine/PairCommit.h"
#include "engine/SizeText.h"
#include "engine/TextRules.h"
#include "formats/cRFH.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

using EngineOpen = EngineTest;
using EngineSelection = EngineTest;
using Cells7 = std::array<std::string, 7>;

TEST_F(EngineOpen, ListsAnRfhArchive) {
    const fs::path index = MakeRfh("Game.rfh", {{"sounds\\a wav.wav", std::string(100, 'a')},
                                                {"MAPS\\#M70 Claw Rock\\=x!@%$.tga", std::string(3000, 'x')},
                                                {"root.txt", "root file"}});
    Open(index);
    EXPECT_EQ(ui.caption, appTitle + " - [Game.rfh]");
    EXPECT_EQ(ui.pathLabel, index.string());
    EXPECT_EQ(std::vector<std::string>(ui.panel1History.end() - 4, ui.panel1History.end()),
              (std::vector<std::string>{"Loading file: " + index.string(), "Creating file list...",
                                        "Selected 0 files, 0 bytes", "Selected 0 files 0 bytes"}));
    EXPECT_EQ(ui.panel[2], "3 Files");
    EXPECT_EQ(ui.panel[3], SizeOf({index, dir / "Game.rfd"}));
    EXPECT_EQ(ui.commands, (std::vector<std::string>{"DisableAll", "EnableAll"}));
    EXPECT_TRUE(ui.listVisible);
    EXPECT_EQ(ui.rowCount, 3);
    const cRFH& t = engine.Index();
    EXPECT_EQ(engine.Row(2).cells, (Cells7{"=x!@%$.tga", "Yes", FormatSize(t.GetPackedSize(2)), "2.92 KB",
                                           t.GetRatio(2), "MAPS\\#M70 Claw Rock\\", "2"}));
    EXPECT_EQ(Cell(3, Column::Path), "");
}

TEST_F(EngineOpen, ListsABagThenAnotherArchiveThenNothing) {
    const fs::path bag = MakeBag("Sounds.bag", {{"boom", 22050, 6, 0, std::vector<std::uint8_t>(1000, 7)},
                                                {"music", 44100, 37, 0, std::vector<std::uint8_t>(2048, 1)}});
    Open(bag);
    EXPECT_TRUE(engine.IsBAG());
    EXPECT_EQ(engine.Row(1).cells, (Cells7{"boom.w", "No", "1000 bytes", "1000 bytes", "0%", "", "1"}));
    EXPECT_EQ(engine.Row(2).cells, (Cells7{"music.mp3", "No", "2.00 KB", "2.00 KB", "0%", "", "2"}));
    EXPECT_EQ(ui.LastCommand(), "EnableAllBAG");
    EXPECT_EQ(ui.panel[3], SizeOf({bag}));

    Open(MakeRfh("Other.rfh", {{"one.txt", "one"}}));
    EXPECT_FALSE(engine.IsBAG());
    EXPECT_EQ(ui.rowCount, 1);
    EXPECT_EQ(ui.caption, appTitle + " - [Other.rfh]");
    engine.CloseArchive();
    EXPECT_EQ(ui.caption, appTitle);
    EXPECT_EQ(ui.panel, (std::array<std::string, 4>{"", "Done", "0 Files", "0 Bytes"}));
    EXPECT_EQ(ui.pathLabel, "");
    EXPECT_EQ(engine.RowCount(), 0);
    EXPECT_EQ(engine.ArchivePath(), "");
    EXPECT_EQ(ui.LastCommand(), "DisableAll");
}

TEST_F(EngineOpen, EmptyMissingMisnamedAndBrokenArchives) {
    dir.write("Empty.rfh", "");
    dir.write("Empty.rfd", "");
    Open(dir / "Empty.rfh");
    EXPECT_EQ(ui.panel[2], "0 Files");
    EXPECT_EQ(ui.LastCommand(), "EnableAdd");

    // A stale recent file or a mistyped name: said so, never created, and the
    // archive open before stays open.
    Open(dir / "stale.rfh");
    EXPECT_FALSE(fs::exists(dir / "stale.rfh"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("can't be found"), std::string::npos) << ui.messages[0].text;
    EXPECT_EQ(engine.ArchivePath(), (dir / "Empty.rfh").string());
    EXPECT_EQ(ui.LastCommand(), "EnableAdd");

    // Neither a BAG nor an index whose name gives its data file: not opened.
    dir.write("fake.bag", std::string(12, '\0'));
    Open(dir / "fake.bag");
    EXPECT_NE(engine.ArchivePath(), (dir / "fake.bag").string());
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_NE(ui.messages.back().text.find("is not an archive"), std::string::npos) << ui.messages.back().text;

    // The data file is found whatever the letter case of its name.
    MakeRfh("UPPER.RFH", {{"u.txt", "upper"}});
    fs::rename(dir / "UPPER.RFD", dir / "upper.rfd");
    Open(dir / "UPPER.RFH");
    engine.ExtractEntry(1, dir / "u.txt");
    EXPECT_EQ(ReadText(dir / "u.txt"), "upper");

    // A BAG that claims ten records and has none must not show the last BAG's.
    Open(MakeBag("good.bag", {{"boom", 22050, 6, 0, std::vector<std::uint8_t>(10, 7)}}));
    dir.write("cut.bag", std::string("GABA\x04\0\0\0\x0a\0\0\0\x40\0\0\0", 16));
    Open(dir / "cut.bag");
    EXPECT_EQ(engine.FileCount(), 0);
    EXPECT_EQ(ui.panel[2], "0 Files");
    EXPECT_EQ(ui.LastCommand(), "EnableAdd");
}

TEST_F(EngineOpen, MoreThan5000EntriesOpenReadOnlyAndRefuseEveryEdit) {
    const auto image = BigIndex(5001);
    const fs::path index = dir.write("Big.rfh", image);
    Open(index);
    EXPECT_EQ(engine.RowCount(), 5000);
    EXPECT_EQ(ui.LastCommand(), "EnableReadOnly");
    EXPECT_NE(ui.panel[1].find("read-only"), std::string::npos) << ui.panel[1];

    Select({1, 2});
    engine.AddFileToArchive(dir.write("three.bin", "abc").string(), "");
    engine.RemoveSelectedFiles();
    engine.RemoveDirectoryFromArchive("");
    engine.ConfirmRename("renamed.bin");
    engine.RemoveAllFiles();
    ASSERT_EQ(ui.messages.size(), 5u);
    for (const auto& m : ui.messages) EXPECT_NE(m.text.find("read-only"), std::string::npos) << m.text;
    EXPECT_EQ(ReadBytes(index), image);
    EXPECT_FALSE(fs::exists(dir / "Big.rfd"));
}

TEST_F(EngineOpen, ADamagedIndexOpensReadOnlySoNoSaveDropsItsTail) {
    const fs::path index = MakeRfh("Hurt.rfh", {{"a.txt", "alpha"}, {"b.txt", "bravo"}});
    auto image = ReadBytes(index);
    image.insert(image.end(), {0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4});  // a name length past the end
    dir.write("Hurt.rfh", image);
    Open(index);
    EXPECT_EQ(engine.RowCount(), 2);
    EXPECT_EQ(ui.LastCommand(), "EnableReadOnly");
    EXPECT_NE(ui.panel[1].find("damaged"), std::string::npos) << ui.panel[1];

    engine.AddFileToArchive(dir.write("three.bin", "abc").string(), "");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("damaged at offset"), std::string::npos) << ui.messages[0].text;
    EXPECT_EQ(ReadBytes(index), image);
}

TEST_F(EngineOpen, FinishesOrDiscardsAnInterruptedRemoval) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}});
    const fs::path data = dir / "Game.rfd";
    const auto indexBytes = ReadBytes(index), dataBytes = ReadBytes(data);
    const PairCommit pair(index, data);

    // Interrupted before the data file was replaced: the staged files go.
    dir.write(pair.StagedData().filename(), "half a data file");
    dir.write(pair.StagedIndex().filename(), "half an index");
    Open(index);
    EXPECT_EQ(engine.RowCount(), 3);
    EXPECT_EQ(ReadBytes(index), indexBytes);
    EXPECT_EQ(ReadBytes(data), dataBytes);
    EXPECT_FALSE(fs::exists(pair.StagedData()));
    EXPECT_FALSE(fs::exists(pair.StagedIndex()));

    // Interrupted after it: the staged index is put in place.
    const auto staged = IndexRow("c.txt", 1, 1, 0);
    dir.write(pair.StagedIndex().filename(), staged);
    Open(index);
    EXPECT_EQ(ReadBytes(index), staged);
    EXPECT_FALSE(fs::exists(pair.StagedIndex()));
    EXPECT_EQ(Cells(Column::Filename), std::vector<std::string>{"c.txt"});
}

TEST_F(EngineSelection, TotalsAre64BitAndOpenWithFollowsTheFocus) {
    std::vector<std::uint8_t> image;
    for (const auto& row :
         {IndexRow("a wav.WAV", 1, 0x7FFFFFFF, 0), IndexRow("b.tga", 1, 0x60000000, 1), IndexRow("c.txt", 1, 100, 2),
          IndexRow("d.bin", 1, static_cast<std::int32_t>(0xC0000000), 3)}) {
        image.insert(image.end(), row.begin(), row.end());
    }
    Open(dir.write("Huge.rfh", image));
    EXPECT_EQ(Cell(4, Column::OriginalSize), "3.00 GB");
    Select({1, 2});
    EXPECT_EQ(ui.panel[1], "Selected 2 files 3.49 GB");
    Select({1, 2, 3, 4});
    EXPECT_EQ(engine.SelectedCount(), 4);
    EXPECT_EQ(engine.SelectedBytes(), 0x7FFFFFFFLL + 0x60000000LL + 100 + 0xC0000000LL);
    EXPECT_EQ(ui.panel[1], "Selected 4 files 6.50 GB");

    engine.PlugInTypes()[1] = ".wav";
    engine.PlugInTypes()[2] = "TGA";
    engine.PlugInTypes()[3] = "x a wav.WAV";
    Select({1, 2}, 1);
    EXPECT_TRUE(ui.openWithEnabled.count(1));
    EXPECT_FALSE(ui.openWithEnabled.count(2));
    EXPECT_FALSE(ui.openWithEnabled.count(3));
    Select({1, 2}, 2);
    EXPECT_FALSE(ui.openWithEnabled.count(1));
    EXPECT_TRUE(ui.openWithEnabled.count(2));
}

TEST(EngineText, SizesNamesAndCase) {
    const std::pair<std::int64_t, const char*> sizes[] = {{0, "0 bytes"},
                                                          {532, "532 bytes"},
                                                          {1023, "1023 bytes"},
                                                          {1024, "1.00 KB"},
                                                          {1339, "1.30 KB"},
                                                          {23450, "22.9 KB"},
                                                          {1021952, "998 KB"},
                                                          {1023999, "999 KB"},
                                                          {1043333, "0.99 MB"},
                                                          {2396996, "2.28 MB"},
                                                          {2399791104, "2.23 GB"},
                                                          {-1, "3.99 GB"},
                                                          {0x7FFFFFFFFFFFFFFF, "8191 PB"}};
    for (const auto& [bytes, text] : sizes) EXPECT_EQ(FormatSize(bytes), text) << bytes;

    EXPECT_EQ(StripPath("MAPS\\sub\\x.tga"), "x.tga");
    EXPECT_EQ(StripPath("/home/u/Game.rfh"), "Game.rfh");
    EXPECT_EQ(StripPath("\\abs.txt"), "\\abs.txt");
    EXPECT_EQ(StripPath("plain"), "plain");
    EXPECT_EQ(DataFilePath("X.RFH"), "X.RFD");
    EXPECT_EQ(DataFilePath("dir/game.rfh"), "dir/game.rfd");
    EXPECT_EQ(DataFilePath("ab"), "");
    EXPECT_EQ(UpperCaseASCII("data\\sub \xe9t\xe9"), "DATA\\SUB \xe9T\xe9");
}

}  // namespace
}  // namespace varnok::test
