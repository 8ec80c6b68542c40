#include <deque>
#include <functional>
#include <set>

#include "engine/TextRules.h"
#include "formats/cRFH.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

using EngineExtract = EngineTest;
using A = OverwriteAnswer;

TEST_F(EngineExtract, OneRowGoesThroughTheSaveDialog) {
    Open(MakeRfh("Game.rfh", {{"sounds\\a.wav", "new payload"}}));
    Select({1});
    const fs::path out = dir / "out", target = out / "a.wav";
    fs::create_directories(out);

    ui.saveResults = {"a.wav"};  // the name given back: cancelled
    engine.ExtractSelectedFiles(true);
    EXPECT_EQ(ui.saveDialogs, std::vector<std::string>{"a.wav All files (*.*)|*.*"});
    EXPECT_FALSE(fs::exists(target));

    // No and a closed question keep an existing file; Yes replaces it.
    for (const A answer : {A::No, A::None, A::Yes}) {
        dir.write(target, "old");
        ui.saveResults = {target.string()};
        ui.overwriteAnswers = {answer};
        engine.ExtractSelectedFiles(true);
        EXPECT_EQ(ReadText(target), answer == A::Yes ? "new payload" : "old");
        EXPECT_EQ(ui.overwriteQuestions.back(), Question("a.wav", out));
    }
    EXPECT_EQ(ui.panel[1], "All selected files extracted.");
}

TEST_F(EngineExtract, SeveralRowsGoFlatIntoAFolderAndYesToAllLastsOneRun) {
    Open(
        MakeRfh("Game.rfh", {{"x\\a.txt", "A"}, {"b.txt", "B"}, {"y\\z\\c.txt", "C"}, {"d.txt", "D"}, {"e.txt", "E"}}));
    Select({1, 2, 3, 4});
    const fs::path out = dir / "out";
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) dir.write(out / name, "old");
    ui.folders = {out.string()};  // no trailing separator
    ui.overwriteAnswers = {A::Yes, A::No, A::YesToAll};
    engine.ExtractSelectedFiles(true);
    EXPECT_EQ(ui.overwriteQuestions.size(), 3u);
    EXPECT_EQ(ui.overwriteQuestions.at(1), Question("b.txt", out));
    const auto abcd = [&] {
        return ReadText(out / "a.txt") + ReadText(out / "b.txt") + ReadText(out / "c.txt") + ReadText(out / "d.txt");
    };
    EXPECT_EQ(abcd(), "AoldCD");

    // No to All keeps every existing file without asking again, and still writes the new one.
    Select({1, 2, 3, 4, 5});
    ui.folders = {out.string()};
    ui.overwriteAnswers = {A::NoToAll};
    engine.ExtractSelectedFiles(true);
    EXPECT_EQ(ui.overwriteQuestions.size(), 4u);
    EXPECT_EQ(abcd(), "AoldCD");
    EXPECT_EQ(ReadText(out / "e.txt"), "E");
}

TEST_F(EngineExtract, AllFilesKeepTheirFoldersWhenAsked) {
    Open(MakeRfh("Game.rfh", {{"A\\B\\deep.txt", "deep"}, {"A\\mid.txt", "mid"}, {"root.txt", "root"}}));
    const fs::path out = dir / "out";
    engine.ExtractAllFiles(out.string(), false, true, true);
    EXPECT_EQ(FilesBelow(out), (std::set<std::string>{"A/B/deep.txt", "A/mid.txt", "root.txt"}));
    EXPECT_EQ(ReadText(out / "A/B/deep.txt"), "deep");

    // Asked with the full target path; Yes to All answers for the rest of the run.
    for (const char* name : {"A/B/deep.txt", "A/mid.txt", "root.txt"}) dir.write(out / name, "old");
    ui.overwriteAnswers = {A::YesToAll};
    engine.ExtractAllFiles(out.string() + "/", false, true, true);
    EXPECT_EQ(ui.overwriteQuestions, std::vector<std::string>{Question((out / "A/B/deep.txt").string(), out)});
    EXPECT_EQ(ReadText(out / "root.txt"), "root");
}

TEST_F(EngineExtract, NamesThatLeaveTheDestinationAreReportedNotWritten) {
    Open(MakeRfh(
        "Evil.rfh",
        {{"..\\evil.txt", "e"}, {"\\abs.txt", "a"}, {"C:\\x.txt", "c"}, {"a/b.txt", "s"}, {"ok\\fine.txt", "fine"}}));
    const fs::path dest = dir / "dest" / "inner";
    engine.ExtractAllFiles(dest.string(), false, true, true);
    EXPECT_EQ(FilesBelow(dir / "dest"), std::set<std::string>{"inner/ok/fine.txt"});
    EXPECT_FALSE(fs::exists(dir / "evil.txt"));
    ASSERT_EQ(ui.messages.size(), 1u);
    for (const char* name : {"..\\evil.txt", "\\abs.txt", "C:\\x.txt", "a/b.txt"}) {
        EXPECT_NE(ui.messages[0].text.find(name), std::string::npos) << name;
    }

    // A folder on the way that is a symbolic link is not followed.
    fs::remove_all(dest / "ok");
    fs::create_directories(dir / "outside");
    fs::create_directory_symlink(dir / "outside", dest / "ok");
    engine.ExtractAllFiles(dest.string(), false, true, true);
    EXPECT_TRUE(FilesBelow(dir / "outside").empty());
    EXPECT_NE(ui.messages.back().text.find("ok\\fine.txt"), std::string::npos);
}

// Every extract command ends by saying what it did: never that all went well when
// an entry failed, nor that the selection was extracted when there was none. A
// damaged payload leaves an old file of its name alone.
TEST_F(EngineExtract, TheFinalStatusCountsTheFailures) {
    const fs::path index =
        MakeRfh("Game.rfh", {{"good.txt", std::string(500, 'g')}, {"bad.txt", "bad"}, {"worse.txt", "worse"}});
    std::string data = ReadText(dir / "Game.rfd");
    cRFH t;
    t.RFHOpen(index);
    for (std::int32_t n : {2, 3}) data.replace(static_cast<std::size_t>(t.GetOffSet(n)) + 4, 3, "bad");
    dir.write("Game.rfd", data);
    Open(index);
    const fs::path out = dir / "out";
    dir.write(out / "bad.txt", "old");
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { engine.ExtractAllFiles(out.string(), true, false, true); },
         "Extracted 1 of 3 files; 2 could not be extracted"},
        {[&] {
             Select({2});
             ui.saveResults = {(out / "bad.txt").string()};
             engine.ExtractSelectedFiles(false);
         },
         "Extracted 0 of 1 file; 1 could not be extracted"},
        {[&] {
             ui.overwriteAnswers = {A::Yes, A::No};  // good.txt written again, bad.txt kept
             engine.ExtractAllFiles(out.string(), false, false, true);
         },
         "Extracted 1 of 3 files; 1 not replaced, 1 could not be extracted"},
    };
    for (const auto& [run, status] : cases) {
        const std::size_t shown = ui.messages.size();
        run();
        EXPECT_EQ(ui.panel[1], status);
        EXPECT_EQ(ui.messages.size(), shown + 1);
    }
    EXPECT_EQ(ReadText(out / "bad.txt"), "old");
    EXPECT_EQ(ReadText(out / "good.txt"), std::string(500, 'g'));

    // An index read only up to its damage has entries that extract-all never saw.
    const fs::path cut = MakeRfh("Cut.rfh", {{"a.txt", "a"}, {"b.txt", "b"}});
    const std::string table = ReadText(cut);
    dir.write(cut, table.substr(0, table.size() - 3));
    Open(cut);
    engine.ExtractAllFiles((dir / "cut").string(), false, false, true);
    EXPECT_EQ(ui.panel[1], "All listed files extracted; the index holds more that could not be read");
}

// Existing files the user keeps are counted apart from the files written, so that
// a run which left some alone never ends with "all extracted".
TEST_F(EngineExtract, TheFinalStatusCountsTheFilesNotReplaced) {
    Open(MakeRfh("Game.rfh", {{"a.txt", "A"}, {"b.txt", "B"}, {"c.txt", "C"}}));
    const fs::path out = dir / "out";
    const auto selection = [&](std::set<int> rows, const fs::path& chosen) {
        return [&, rows, chosen] {
            Select(rows);
            ui.folders = {out.string()};
            ui.saveResults = {chosen.string()};
            engine.ExtractSelectedFiles(true);
        };
    };
    const struct {
        std::deque<A> answers;
        std::function<void()> run;
        std::string status;
    } cases[] = {
        {{A::No, A::Yes},
         [&] { engine.ExtractAllFiles(out.string(), false, false, true); },
         "Extracted 2 of 3 files; 1 not replaced"},
        {{A::YesToAll}, [&] { engine.ExtractAllFiles(out.string(), false, false, true); }, "All files extracted"},
        {{A::NoToAll}, selection({1, 2, 3}, {}), "Extracted 1 of 3 files; 2 not replaced"},
        {{A::No}, selection({1}, out / "a.txt"), "Extracted 0 of 1 file; 1 not replaced"},
        {{}, [&] { engine.ExtractDirectory("", out.string(), false); }, "Extracted 1 of 3 files; 2 not replaced"},
    };
    for (const auto& c : cases) {
        for (const char* name : {"a.txt", "b.txt"}) dir.write(out / name, "old");
        fs::remove(out / "c.txt");
        ui.overwriteAnswers = c.answers;
        c.run();
        EXPECT_EQ(ui.panel[1], c.status);
    }
}

// A sound leaves as a WAVE file when the user says so; the question comes once per
// entry until a "to all" answer, and again in the next command.
TEST_F(EngineExtract, ABagSoundCanBecomeAWaveFile) {
    Open(MakeBag("Sounds.bag", {{"boom", 22050, 6, 0, std::vector<std::uint8_t>(1000, 7)},
                                {"b", 11025, 2, 0, std::vector<std::uint8_t>(10, 2)},
                                {"c", 11025, 3, 0, std::vector<std::uint8_t>(10, 3)},
                                {"m", 44100, 37, 0, std::vector<std::uint8_t>(10, 4)},
                                {"odd", 0, 0, 0, {1, 2, 3}}}));
    Select({1});
    const fs::path target = dir / "boom.wav";
    ui.saveResults = {target.string()};
    ui.convertAnswers = {ConvertAnswer::Yes};
    engine.ExtractSelectedFiles(true);
    EXPECT_EQ(ReadText(target).substr(0, 4), "RIFF");
    EXPECT_EQ(ui.convertQuestions.at(0).text, cBAG::kConvertQuestion);

    ui.convertAnswers = {ConvertAnswer::No, ConvertAnswer::YesToAll};
    engine.ExtractAllFiles((dir / "one").string(), false, false, true);
    EXPECT_EQ(FilesBelow(dir / "one"), (std::set<std::string>{"boom.w", "b.wav", "c.wav", "m.mp3", "odd"}));
    ui.convertAnswers = {ConvertAnswer::NoToAll};
    engine.ExtractAllFiles((dir / "two").string(), false, false, true);
    EXPECT_EQ(FilesBelow(dir / "two"), (std::set<std::string>{"boom.w", "b.w", "c.w", "m.mp3", "odd"}));
    EXPECT_EQ(ui.convertQuestions.size(), 4u);
}

}  // namespace
}  // namespace varnok::test
