// Find File over the list, and the scan of the game's data folders.
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

class EngineFind : public EngineTest {
protected:
    int Completions() const {
        int n = 0;
        for (const auto& m : ui.messages) {
            n += m.text == "File search completed." && m.icon == MessageIcon::Information && m.title == "Varnok 2";
        }
        return n;
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

TEST_F(EngineFind, TheGameScanListsTheDataFoldersArchivesInOrder) {
    // Written for a file system that ignores case: the folders may be spelt any way.
    const fs::path game = dir / "Emperor";
    for (const char* file : {"data/b.bag", "data/A.rfh", "data/readme.txt", "data/more/deep.rfh",
                             "data/Music/Track.RFH", "data/sfx/fx.Bag", "DIALOG/elsewhere.rfh"}) {
        dir.write(game / file, "");
    }
    const auto& found = engine.SearchRFH(game);
    EXPECT_EQ(ui.foundArchives,
              (std::vector<std::string>{"DATA/A.RFH", "DATA/B.BAG", "DATA/MUSIC/TRACK.RFH", "DATA/SFX/FX.BAG"}));
    ASSERT_EQ(found.size(), 4u);
    engine.OpenFoundArchive(3);
    EXPECT_EQ(engine.ArchivePath(), (game / "data/Music/Track.RFH").string()) << "the file really there opens";

    ui.foundArchives = {"stale"};
    engine.SearchRFH("");  // the game folder is not known
    EXPECT_TRUE(ui.foundArchives.empty());
}

}  // namespace
}  // namespace varnok::test
