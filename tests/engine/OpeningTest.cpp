#include <algorithm>

#include "engine/SizeText.h"
#include "engine/TextRules.h"
#include "formats/cRFH.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

using EngineOpen = EngineTest;
using EngineSelection = EngineTest;
using Cells7 = std::array<std::string, 7>;

TEST_F(EngineOpen, ListsAnRfhArchiveThenABagThenNothing) {
    const fs::path index = MakeRfh("Game.rfh", {{"sounds\\a wav.wav", std::string(100, 'a')},
                                                {"MAPS\\#M70 Claw Rock\\=x!@%$.tga", std::string(3000, 'x')},
                                                {"root.txt", "root file"}});
    Open(index);
    EXPECT_EQ(ui.caption, appTitle + " - [Game.rfh]");
    EXPECT_EQ(ui.panel[3], FormatSize(fs::file_size(index) + fs::file_size(dir / "Game.rfd")));
    const cRFH& t = engine.Index();
    EXPECT_EQ(engine.Row(2).cells, (Cells7{"=x!@%$.tga", "Yes", FormatSize(t.GetPackedSize(2)), "2.92 KB",
                                           t.GetRatio(2), "MAPS\\#M70 Claw Rock\\", "2"}));

    const fs::path bag = MakeBag("Sounds.bag", {{"boom", 22050, 6, 0, std::vector<std::uint8_t>(1000, 7)},
                                                {"music", 44100, 37, 0, std::vector<std::uint8_t>(2048, 1)}});
    Open(bag);
    EXPECT_EQ(engine.Row(1).cells, (Cells7{"boom.w", "No", "1000 bytes", "1000 bytes", "0%", "", "1"}));
    EXPECT_EQ(ui.LastCommand(), "EnableAllBAG");

    engine.CloseArchive();
    EXPECT_EQ(ui.panel, (std::array<std::string, 4>{"", "Done", "0 Files", "0 Bytes"}));
    EXPECT_EQ(ui.LastCommand(), "DisableAll");
}

TEST_F(EngineOpen, EmptyAndBrokenArchives) {
    dir.write("Empty.rfh", "");
    dir.write("Empty.rfd", "");
    Open(dir / "Empty.rfh");
    EXPECT_EQ(ui.panel[2], "0 Files");
    EXPECT_EQ(ui.LastCommand(), "EnableAdd");

    // A BAG that claims ten records and has none must not show the last BAG's.
    Open(MakeBag("good.bag", {{"boom", 22050, 6, 0, std::vector<std::uint8_t>(10, 7)}}));
    dir.write("cut.bag", std::string("GABA\x04\0\0\0\x0a\0\0\0\x40\0\0\0", 16));
    Open(dir / "cut.bag");
    EXPECT_EQ(engine.FileCount(), 0);
    EXPECT_EQ(ui.LastCommand(), "EnableAdd");
}

// An index of more than 5000 entries, or one damaged part way, is listed as far as
// it goes and opens read-only: no save may drop the entries after the cut.
TEST_F(EngineOpen, AnIndexReadOnlyPartWayOpensReadOnly) {
    MakeRfh("Hurt.rfh", {{"a.txt", "alpha"}, {"b.txt", "bravo"}});
    auto hurt = ReadBytes(dir / "Hurt.rfh");
    hurt.insert(hurt.end(), {0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4});  // a name length past the end
    const std::tuple<std::string, std::vector<std::uint8_t>, int, std::string> cases[] = {
        {"Big.rfh", BigIndex(5001), 5000, "read-only"},
        {"Hurt.rfh", hurt, 2, "damaged"},
    };
    for (const auto& [name, image, rows, why] : cases) {
        const fs::path index = dir.write(name, image);
        Open(index);
        EXPECT_EQ(engine.RowCount(), rows);
        EXPECT_EQ(ui.LastCommand(), "EnableReadOnly");
        EXPECT_NE(ui.panel[1].find(why), std::string::npos) << ui.panel[1];

        ui.messages.clear();
        Select({1, 2});
        engine.AddFileToArchive(dir.write("three.bin", "abc").string(), "");
        engine.RemoveSelectedFiles();
        engine.ConfirmRename("renamed.bin");
        EXPECT_EQ(ui.messages.size(), 3u) << name;
        EXPECT_EQ(ReadBytes(index), image);
    }
    EXPECT_FALSE(fs::exists(dir / "Big.rfd"));
}

TEST_F(EngineSelection, TotalsAre64Bit) {
    std::vector<std::uint8_t> image;
    for (const auto& row :
         {IndexRow("a wav.WAV", 1, 0x7FFFFFFF, 0), IndexRow("b.tga", 1, 0x60000000, 1), IndexRow("c.txt", 1, 100, 2),
          IndexRow("d.bin", 1, static_cast<std::int32_t>(0xC0000000), 3)}) {
        image.insert(image.end(), row.begin(), row.end());
    }
    Open(dir.write("Huge.rfh", image));
    EXPECT_EQ(Cell(4, Column::OriginalSize), "3.00 GB");
    Select({1, 2, 3, 4});
    EXPECT_EQ(engine.SelectedBytes(), 0x7FFFFFFFLL + 0x60000000LL + 100 + 0xC0000000LL);
    EXPECT_EQ(ui.panel[1], "Selected 4 files 6.50 GB");
}

TEST(EngineText, SizesTakeTheLargestUnitBelow1024) {
    const std::pair<std::int64_t, const char*> sizes[] = {{1023, "1023 bytes"},
                                                          {1024, "1.00 KB"},
                                                          {23450, "22.9 KB"},
                                                          {1023999, "999 KB"},
                                                          {1043333, "0.99 MB"},
                                                          {-1, "3.99 GB"},
                                                          {0x7FFFFFFFFFFFFFFF, "8191 PB"}};
    for (const auto& [bytes, text] : sizes) EXPECT_EQ(FormatSize(bytes), text) << bytes;
}

using EngineUserReadOnly = EngineTest;

TEST_F(EngineUserReadOnly, RefusesEveryEditWhileOnAndOutlastsTheArchive) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}, {"music\\b.txt", "bravo"}});
    const fs::path added = dir.write("in/c.txt", "charlie");
    engine.SetUserReadOnly(true);
    Open(index);
    const auto indexBytes = ReadBytes(index), dataBytes = ReadBytes(dir / "Game.rfd");
    Select({1, 2});
    engine.AddFileToArchive(added.string(), "");
    engine.RemoveSelectedFiles();
    engine.ConfirmRename("renamed.txt");
    ASSERT_EQ(ui.messages.size(), 3u);
    for (const auto& m : ui.messages) {
        EXPECT_EQ(m.text, "This archive is open read-only. Untick \"Read Only\" to change it.");
    }
    EXPECT_EQ(ReadBytes(index), indexBytes);
    EXPECT_EQ(ReadBytes(dir / "Game.rfd"), dataBytes);

    engine.SetUserReadOnly(false);
    ui.messages.clear();
    engine.ConfirmRename("renamed.txt");
    EXPECT_EQ(StoredNames(index), (std::vector<std::string>{"renamed.txt", "music\\b.txt"}));
}

class EngineFind : public EngineTest {
protected:
    long Completions() const {
        return std::count_if(ui.messages.begin(), ui.messages.end(),
                             [](const ShownMessage& m) { return m.text == "File search completed."; });
    }
};

TEST_F(EngineFind, WholeNamesMatchInAnyAsciiCaseFromTheCurrentRowOn) {
    Open(MakeRfh("names.rfh", {{"sound.rfh2", "one"},
                               {"SOUND.RFH", "two"},
                               {"x\\Sound.Rfh", "three"},
                               {"my sound.rfh", "four"},
                               {"sound\xe9.rfh", "five"}}));
    EXPECT_EQ(engine.FindFile("sound.rfh2", false), 0) << "no current row: up examines nothing";
    ui.focused = 1;
    EXPECT_EQ(engine.FindFile("sound.rfh", true), 2);
    EXPECT_EQ(engine.FindFile("sound.rfh", true), 3) << "the match became current, so the search goes on past it";
    EXPECT_EQ(ui.selected, (std::set<int>{2, 3})) << "earlier marks stay selected";
    EXPECT_EQ(ui.panel[1], "Selected 2 files 8 bytes");
    EXPECT_EQ(engine.FindFile("sound.rfh", true), 0);
    EXPECT_EQ(Completions(), 1);
    EXPECT_EQ(engine.FindFile("sound.rfh2", false), 1);
    EXPECT_EQ(engine.FindFile("anything", false), 0) << "up from the first row examines nothing";

    // Letters outside a-z are compared as they are.
    ui.focused = 0;
    EXPECT_EQ(engine.FindFile("SOUND\xc3\x89.RFH", true), 0);
    EXPECT_EQ(engine.FindFile("SOUND\xc3\xa9.RFH", true), 5);
    EXPECT_EQ(Completions(), 2);
}

// A BAG record is found by the name the list shows or by its stored name alone.
TEST_F(EngineFind, BagRecordsAreFoundWithOrWithoutTheirListedExtension) {
    Open(MakeBag("s.bag", {{"tiny7s", 22050, 6, 0, std::vector<std::uint8_t>(4, 1)},
                           {"boom", 22050, 28, 512, std::vector<std::uint8_t>(512, 0)}}));
    const std::pair<const char*, int> names[] = {{"tiny7s", 1},   {"TINY7S.W", 1}, {"boom", 2},
                                                 {"boom.cmp", 2}, {"boom.w", 0},   {"tiny7", 0}};
    for (const auto& [name, row] : names) {
        ui.focused = 0;
        EXPECT_EQ(engine.FindFile(name, true), row) << name;
    }
}

}  // namespace
}  // namespace varnok::test
