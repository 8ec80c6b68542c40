// The ways an ordinary action could destroy an archive: each must leave every
// entry extracting what it extracted before.
#include <sys/resource.h>

#include <csignal>
#include <type_traits>

#include "engine/EditGuard.h"
#include "engine/PairCommit.h"
#include "formats/audio/Wave.h"
#include "formats/cRFH.h"
#include "platform/FileLock.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class DataSafety : public EngineTest {
protected:
    std::string Source(const std::string& name, const std::string& bytes) { return dir.write("in/" + name, bytes); }
};

// The save functions take an EditPermit, and only the guard makes one: an edit
// that skips the guard does not compile, and a permit writes its own archive only.
TEST_F(DataSafety, AnEditCannotBeWrittenWithoutThePermitOfTheGuard) {
    static_assert(!std::is_default_constructible_v<EditPermit>);
    static_assert(!std::is_copy_constructible_v<EditPermit>);
    static_assert(!std::is_constructible_v<EditPermit, EditGuard&, FileLock>, "only the guard gives permits");

    const fs::path a = MakeRfh("A.rfh", {{"a.txt", "alpha"}});
    const fs::path b = MakeRfh("B.rfh", {{"b.txt", "bravo"}});
    EditGuard guard;
    guard.Watch({a, dir / "A.rfd"});
    EditGuard::Verdict v = guard.Admit(0);
    ASSERT_TRUE(v.permit) << v.refusal;
    EXPECT_THROW(v.permit->Confirm(b), std::logic_error) << "a permit covers its own archive only";
    EXPECT_NO_THROW(v.permit->Confirm(a));
}

TEST_F(DataSafety, OpeningNeverCreatesAFile) {
    MakeRfh("game.rfh", {{"keep.txt", "the real archive"}});
    const auto before = ReadBytes(dir / "game.rfd");
    // On a case-sensitive file system GAME.RFH is another file: opening it must
    // not make an empty index that the data-file lookup would bind to game.rfd.
    for (const fs::path& missing : {dir / "GAME.RFH", dir / "gone.rfh", dir / "no folder" / "x.rfh"}) {
        ui.messages.clear();
        Open(missing);
        EXPECT_TRUE(Said("can't be found")) << missing;
    }
    EXPECT_EQ(ReadBytes(dir / "game.rfd"), before);
    EXPECT_EQ(dir.listing(), (std::vector<std::string>{"game.rfd", "game.rfh", "src", "windows"}));
}

// An index whose data file is missing, short, or longer than its entries.
TEST_F(DataSafety, AnAddNeedsADataFileThatHoldsEveryEntry) {
    const std::string three = Source("three.txt", "three bytes or more");
    const fs::path missing = RawPair("missing", {{"e.bin", 10, 0}}, "");
    const fs::path cut = RawPair("cut", {{"e.bin", 10, 0}}, "0123");
    fs::remove(dir / "missing.rfd");
    for (const fs::path& index : {missing, cut}) {
        Open(index);
        engine.AddFileToArchive(three, "");
    }
    EXPECT_TRUE(Said("is missing") && Said("need 10"));
    EXPECT_FALSE(fs::exists(dir / "missing.rfd")) << "no sparse data file is made";
    EXPECT_EQ(ReadText(dir / "cut.rfd"), "0123");

    // Bytes after the last entry belong to nobody we know: written over only when
    // the user says so, and then none of them stays behind.
    const fs::path index = RawPair("extra", {{"e.bin", 4, 0}}, "abcdSOMEONE ELSE'S BYTES");
    Open(index);
    ui.messageAnswers = {MessageAnswer::No};
    ui.messages.clear();
    engine.AddFileToArchive(three, "");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNoDefaultNo);
    EXPECT_TRUE(Said("20 bytes after its last entry"));
    EXPECT_EQ(ReadText(dir / "extra.rfd"), "abcdSOMEONE ELSE'S BYTES");

    ui.messageAnswers = {MessageAnswer::Yes};
    engine.AddFileToArchive(three, "");
    EXPECT_EQ(Extracted(), (std::vector<std::string>{"abcd", "three bytes or more"}));
    EXPECT_EQ(fs::file_size(dir / "extra.rfd"), static_cast<std::uintmax_t>(engine.Index().RFHNextOffSet()));
}

// Another program rewrites the pair in place, or the BAG anew, while we hold the old list.
TEST_F(DataSafety, AnArchiveChangedByAnotherProgramIsNotOverwritten) {
    const auto header = audio::PcmWaveHeader(1, 22050, 16, 8);
    const std::string wave = Source("e.wav", std::string(header.begin(), header.end()) + std::string(8, '\x09'));
    const std::function<void()> edits[] = {
        [&] { engine.AddFileToArchive(wave, ""); },
        [&] { engine.RemoveFileFromArchive(1, true); },
        [&] {
            ui.focused = 1;
            engine.RenameFileEntry("x.txt");
        },
        [&] {
            ui.messageAnswers = {MessageAnswer::Yes};
            engine.RemoveAllFiles();
        },
    };
    const struct {
        std::function<fs::path()> make;
        std::function<void()> change;
        std::vector<std::string> listed;
    } kinds[] = {
        {[&] {
             return MakeRfh("Game.rfh", {{"a.txt", "alpha"}, {"b.txt", "bravo"}, {"c.txt", "charlie"}});
         },
         [&] { dir.write("Game.rfd", ReadText(dir / "Game.rfd")); },
         {"a.txt", "b.txt", "c.txt"}},
        {[&] {
             return MakeBag("Sounds.bag", {{"a", 22050, 6, 0, Bytes(10, 1)}, {"b", 22050, 6, 0, Bytes(12, 2)}});
         },
         [&] {
             MakeBag("Sounds.bag", {{"other", 11025, 2, 0, Bytes(5, 7)}});
         },
         {"other.w"}},
    };
    for (const auto& kind : kinds) {
        for (const auto& edit : edits) {
            const fs::path archive = kind.make();
            Open(archive);
            kind.change();
            // Game.rfd stays as the first kind left it.
            const auto theirs = ReadBytes(archive), theirData = ReadBytes(dir / "Game.rfd");
            ui.messages.clear();
            edit();
            EXPECT_TRUE(Said("changed by another program")) << archive;
            EXPECT_EQ(ReadBytes(archive), theirs);
            EXPECT_EQ(ReadBytes(dir / "Game.rfd"), theirData);
            EXPECT_EQ(Cells(Column::Filename), kind.listed) << "the list was reloaded";
        }
    }
}

TEST_F(DataSafety, AnArchiveLockedByAnotherProcessIsNotEdited) {
    EditGuard::SetLockWait(std::chrono::milliseconds(50));
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}});
    Open(index);
    const auto before = ReadBytes(index);
    std::optional<FileLock> held = FileLock::Acquire(EditGuard::LockFileFor(index), std::chrono::milliseconds(0));
    ASSERT_TRUE(held);
    engine.AddFileToArchive(Source("b.txt", "bravo"), "");
    EXPECT_EQ(ReadBytes(index), before);
    EXPECT_TRUE(Said("being changed by another"));
    // Nor are its files copied, moved, renamed or deleted half way through a change.
    fs::create_directories(dir / "elsewhere");
    ui.messageAnswers = {MessageAnswer::Yes};
    engine.CopyArchive(index.string(), (dir / "elsewhere").string());
    engine.MoveArchive(index.string(), (dir / "elsewhere").string());
    engine.RenameArchive(index.string(), "Other.rfh");
    engine.DeleteArchive();
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
    EXPECT_EQ(ReadBytes(index), before);

    held.reset();
    engine.AddFileToArchive(Source("b.txt", "bravo"), "");
    EXPECT_EQ(Extracted(), (std::vector<std::string>{"alpha", "bravo"}));
    EXPECT_FALSE(fs::exists(EditGuard::LockFileFor(index))) << "the lock file goes with the lock";
    EditGuard::SetLockWait(std::chrono::seconds(3));
}

// Hand-made archives share payloads; a removal never changes what a kept entry
// extracts to, whichever entries share bytes with it.
TEST_F(DataSafety, RemovalsKeepTheBytesKeptEntriesShare) {
    const std::string data = "AAAAABBBBBCCCCCDDDDD";
    // twin shares all of a's bytes; inner lies inside b; span covers c and d.
    const std::vector<std::tuple<std::string, int, int>> rows = {
        {"a", 5, 0}, {"twin", 5, 0}, {"b", 5, 5}, {"inner", 2, 6}, {"c", 5, 10}, {"span", 10, 10}, {"d", 5, 15}};
    const std::vector<std::string> all = {"AAAAA", "AAAAA", "BBBBB", "BB", "CCCCC", "CCCCCDDDDD", "DDDDD"};
    const std::vector<std::set<int>> removals = {{1}, {2}, {1, 2}, {3}, {3, 4}, {5, 7}, {6}, {1, 3, 5, 6, 7}};
    for (const auto& removed : removals) {
        Open(RawPair("shared", rows, data));
        Select(removed);
        engine.RemoveSelectedFiles();
        EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text;
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (removed.count(static_cast<int>(i) + 1) == 0) expected.push_back(all[i]);
        }
        EXPECT_EQ(Extracted(), expected) << "removed " << ::testing::PrintToString(removed);
    }
    // Bytes no kept entry uses do go: of the last removal only twin's five bytes
    // and inner's two stay.
    EXPECT_EQ(ReadText(dir / "shared.rfd"), "AAAAABB");
}

TEST_F(DataSafety, TheArchivesOwnFilesAreNeverAddedToIt) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}});
    dir.write("other.txt", "another file");
    Open(index);
    engine.AddDirectoryToArchive(dir.path().string(), "");
    EXPECT_EQ(StoredNames(index), (std::vector<std::string>{"a.txt", "other.txt"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("Game.rfh: it is a file of this archive itself"), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("Game.rfd: it is a file of this archive itself"), std::string::npos);
}

// Rewritten files keep the mode of those they replace; write-protected (444)
// ones are refused up front, even for a user the system would let write them.
TEST_F(DataSafety, RewrittenFilesKeepTheirModeAndProtectedOnesAreRefused) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}, {"b.txt", "bravo"}}), data = dir / "Game.rfd";
    const auto privateMode = fs::perms::owner_read | fs::perms::owner_write;
    fs::permissions(index, privateMode);
    fs::permissions(data, privateMode);
    Open(index);
    engine.AddFileToArchive(Source("c.txt", "charlie"), "");
    engine.RemoveFileFromArchive(1, true);  // rewrites both files
    EXPECT_EQ(Extracted(), (std::vector<std::string>{"bravo", "charlie"}));
    EXPECT_EQ(fs::status(index).permissions() & fs::perms::all, privateMode) << "a private archive stays private";
    EXPECT_EQ(fs::status(data).permissions() & fs::perms::all, privateMode);

    const auto readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    for (const fs::path& protectedFile : {index, data}) {
        fs::permissions(protectedFile, readOnly);
        Open(index);
        const auto indexBytes = ReadBytes(index), dataBytes = ReadBytes(data);
        ui.messages.clear();
        ui.focused = 1;
        engine.RenameFileEntry("x.txt");
        engine.AddFileToArchive(Source("e.txt", "echo"), "");
        ASSERT_EQ(ui.messages.size(), 2u);
        for (const auto& m : ui.messages) EXPECT_NE(m.text.find("write-protected"), std::string::npos) << m.text;
        EXPECT_EQ(ReadBytes(index), indexBytes);
        EXPECT_EQ(ReadBytes(data), dataBytes);
        fs::permissions(protectedFile, fs::perms::owner_read | fs::perms::owner_write);
    }
}

// Both questions keep the archive on Enter; emptied, it takes new files again.
TEST_F(DataSafety, RemovalsAskFirstWithNoAsTheDefault) {
    const fs::path index = MakeRfh("GAME0001.RFH", {{"a.txt", "alpha"}, {"b.txt", "bravo"}, {"c.txt", "c!!"}});
    const fs::path data = dir / "GAME0001.RFD";
    const auto indexBytes = ReadBytes(index);
    engine.AskBeforeRemoving(true);
    Open(index);
    Select({1, 3});
    ui.messageAnswers = {MessageAnswer::No, MessageAnswer::No};
    engine.RemoveSelectedFiles();
    EXPECT_EQ(ui.panel[1], "Nothing was removed.");
    engine.RemoveAllFiles();
    ASSERT_EQ(ui.messages.size(), 2u);
    for (const auto& m : ui.messages) EXPECT_EQ(m.buttons, MessageButtons::YesNoDefaultNo);
    EXPECT_EQ(ReadBytes(index), indexBytes);

    ui.messageAnswers = {MessageAnswer::Yes};
    engine.RemoveAllFiles();
    EXPECT_EQ(fs::file_size(index) + fs::file_size(data), 0u);
    engine.AddFileToArchive(dir.write("in/new.txt", "new file").string(), "");
    EXPECT_EQ(Extracted(), std::vector<std::string>{"new file"});
}

// A killed add leaves payloads past the last saved entry; the next open cuts
// them off, and never below what the data file held before the add.
TEST_F(DataSafety, AnInterruptedAddLeavesNoUnusedBytes) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}});
    const auto data = ReadText(dir / "Game.rfd");
    AddMarker(dir / "Game.rfd").Begin(data.size());
    dir.write("Game.rfd", data + "half a payload");
    Open(index);
    EXPECT_EQ(ReadText(dir / "Game.rfd"), data);
    EXPECT_FALSE(fs::exists(AddMarker(dir / "Game.rfd").MarkerPath()));

    // Without the marker the extra bytes are nobody's we know: they stay.
    dir.write("Game.rfd", data + "someone else's");
    Open(index);
    EXPECT_EQ(ReadText(dir / "Game.rfd"), data + "someone else's");
}

// A disk that fills up half way through an add: what was added stays, and the
// half-written payload does not.
TEST_F(DataSafety, AFailedAddCutsTheDataFileBack) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}});
    const std::string small = Source("small.bin", std::string(100, 's'));
    const std::string big = dir.write("in/big.bin", PseudoRandomBytes(40000, 7)).string();
    Open(index);

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = fs::file_size(dir / "Game.rfd") + 20000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    engine.AddDroppedFiles({small, big});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);

    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("big.bin"), std::string::npos) << ui.messages[0].text;
    EXPECT_EQ(StoredNames(index), (std::vector<std::string>{"a.txt", "small.bin"}));
    EXPECT_EQ(fs::file_size(dir / "Game.rfd"), static_cast<std::uintmax_t>(engine.Index().RFHNextOffSet()));
}

// A removal killed before its data file was replaced leaves staged files that go;
// one killed after it has its staged index put in place. Neither happens while
// the committing process is alive and holds the lock.
TEST_F(DataSafety, OpeningFinishesOrDiscardsAnInterruptedRemoval) {
    EditGuard::SetLockWait(std::chrono::milliseconds(50));
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "a"}, {"b.txt", "b"}}), data = dir / "Game.rfd";
    const auto indexBytes = ReadBytes(index), dataBytes = ReadBytes(data);
    const PairCommit pair(index, data);
    dir.write(pair.StagedData().filename(), "half a data file");
    dir.write(pair.StagedIndex().filename(), "half an index");
    Open(index);
    EXPECT_EQ(ReadBytes(index), indexBytes);
    EXPECT_EQ(ReadBytes(data), dataBytes);
    EXPECT_FALSE(fs::exists(pair.StagedData()) || fs::exists(pair.StagedIndex()));

    dir.write(pair.StagedIndex().filename(), IndexRow("b.txt", 1, 1, 0));  // past the commit point
    std::optional<FileLock> held = FileLock::Acquire(EditGuard::LockFileFor(index), std::chrono::milliseconds(0));
    ASSERT_TRUE(held);
    Open(index);
    EXPECT_EQ(engine.FileCount(), 2);
    EXPECT_TRUE(fs::exists(pair.StagedIndex()));
    held.reset();
    Open(index);
    EXPECT_FALSE(fs::exists(pair.StagedIndex()));
    EXPECT_EQ(Cells(Column::Filename), std::vector<std::string>{"b.txt"});
    EditGuard::SetLockWait(std::chrono::seconds(3));
}

}  // namespace
}  // namespace varnok::test
