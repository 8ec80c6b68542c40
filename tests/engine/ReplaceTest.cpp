// Adding a file under a stored name an entry already has: the question, and the
// entry rewritten in place.
#include "engine/TextRules.h"
#include "formats/cRFH.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

class Replace : public EngineTest {
protected:
    // Every payload starts where the one before it ends, from 0 to the data file's end.
    void ExpectBackToBack(const fs::path& data) const {
        const cRFH& index = engine.Index();
        std::int64_t end = 0;
        for (std::int32_t n = 1; n <= index.GetFileCount(); ++n) {
            EXPECT_EQ(index.GetOffSet(n), end) << "entry " << n;
            end = index.GetOffSet(n) + std::int64_t{index.GetPackedSize(n)};
        }
        EXPECT_EQ(static_cast<std::int64_t>(fs::file_size(data)), end);
    }
};

TEST_F(Replace, TheQuestionsAnswersDecideWhichEntriesAreReplaced) {
    const struct Case {
        const char* what;
        std::deque<OverwriteAnswer> answers;
        std::size_t questions;
        std::vector<std::string> contents;
    } cases[] = {
        {"one by one", {OverwriteAnswer::Yes, OverwriteAnswer::No, OverwriteAnswer::Yes}, 3, {"A-2", "b-1", "C-2"}},
        {"closed counts as no",
         {OverwriteAnswer::None, OverwriteAnswer::Yes, OverwriteAnswer::No},
         3,
         {"a-1", "B-2", "c-1"}},
        {"yes to all", {OverwriteAnswer::YesToAll}, 1, {"A-2", "B-2", "C-2"}},
        {"no to all", {OverwriteAnswer::NoToAll}, 1, {"a-1", "b-1", "c-1"}},
        {"no, then yes to all", {OverwriteAnswer::No, OverwriteAnswer::YesToAll}, 2, {"a-1", "B-2", "C-2"}},
    };
    dir.write("new/A.TXT", "A-2");
    dir.write("new/b.txt", "B-2");
    dir.write("new/c.txt", "C-2");
    int k = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path index =
            MakeRfh("Game" + std::to_string(++k) + ".rfh", {{"a.txt", "a-1"}, {"b.txt", "b-1"}, {"c.txt", "c-1"}});
        Open(index);
        ui.overwriteQuestions.clear();
        ui.overwriteAnswers = c.answers;
        engine.AddDirectoryToArchive((dir / "new").string() + "/", "");
        EXPECT_EQ(ui.overwriteQuestions.size(), c.questions);
        EXPECT_EQ(engine.FileCount(), 3);
        EXPECT_EQ(Extracted(), c.contents);
        ExpectBackToBack(DataFilePath(index.string()));
    }
    EXPECT_EQ(ui.overwriteQuestions[0], "\"a.txt\" already exists in the archive. Do you want to replace it?");
}

TEST_F(Replace, AReplacedEntryKeepsNumberAndNameAndTheDataStaysBackToBack) {
    const fs::path index = MakeRfh(
        "Game.rfh",
        {{"snd\\a.txt", "alpha"}, {"snd\\b.txt", "bravo"}, {"c.txt", std::string(3000, 'c')}, {"snd\\d.txt", "delta"}});
    const fs::path data = dir / "Game.rfd";
    Open(index);

    // A larger payload in the middle, beside a new file; the stored folder is
    // matched without regard to case.
    ui.overwriteAnswers = {OverwriteAnswer::Yes};
    dir.write("in/B.TXT", std::string(5000, 'B') + "and some more text that packs less well 0123456789");
    dir.write("in/new.txt", "november");
    engine.AddDirectoryToArchive((dir / "in").string() + "/", "SND\\");
    EXPECT_EQ(StoredNames(index),
              (std::vector<std::string>{"snd\\a.txt", "snd\\b.txt", "c.txt", "snd\\d.txt", "SND\\new.txt"}));
    EXPECT_EQ(Cell(2, Column::OriginalSize), "4.93 KB");
    ExpectBackToBack(data);

    // A smaller one through Add File.
    ui.overwriteAnswers = {OverwriteAnswer::Yes};
    engine.AddFileToArchive(dir.write("in2/c.txt", "small").string(), "");
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.back().text;

    engine.RefreshArchive();  // what is on disk, read afresh
    EXPECT_EQ(Extracted(), (std::vector<std::string>{
                               "alpha", std::string(5000, 'B') + "and some more text that packs less well 0123456789",
                               "small", "delta", "november"}));
    ExpectBackToBack(data);
}

TEST_F(Replace, BytesAnotherEntryStillUsesStay) {
    // a and b share their stored bytes; c follows them.
    Open(RawPair("Shared", {{"a.txt", 5, 0}, {"b.txt", 5, 0}, {"c.txt", 5, 5}}, "SHAREcharl"));
    ui.overwriteAnswers = {OverwriteAnswer::YesToAll};
    engine.AddFilesToArchive({dir.write("in/a.txt", "a new alpha").string(), dir.write("in/c.txt", "a new c").string()},
                             "");
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.back().text;
    engine.RefreshArchive();
    EXPECT_EQ(Extracted(), (std::vector<std::string>{"a new alpha", "SHARE", "a new c"}));
}

using Drop = EngineTest;

TEST_F(Drop, FilesLandInTheFolderOfTheirRowAndAFolderAddsTheFilesDirectlyInIt) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}, {"music\\b.txt", "bravo"}});
    Open(index);
    dir.write("drop/folder/c.txt", "charlie");
    dir.write("drop/folder/deeper/not.txt", "not added");
    const std::string single = dir.write("drop/d.txt", "delta").string();
    engine.AddDroppedFiles({(dir / "drop/folder").string(), single}, engine.Row(2)[Column::Path]);
    EXPECT_EQ(StoredNames(index), (std::vector<std::string>{"a.txt", "music\\b.txt", "music\\c.txt", "music\\d.txt"}));
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace varnok::test
