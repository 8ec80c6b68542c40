// The ways an ordinary action could destroy an archive: each must leave every
// entry extracting what it extracted before.
#include <sys/resource.h>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
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
    guard.Hold({HeldFile::Hold(a), HeldFile::Hold(dir / "A.rfd")}, EditGuard::LockFileFor(dir / "A.rfd"));
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
             return MakeRfh("Game.rfh", {{"a.txt", "alpha"}, {"b.txt", "bravo"}, {"c.txt", "charlie"}});
         },
         [&] {
             // The same bytes in a new file renamed over the data file alone.
             dir.write("copy.rfd", ReadText(dir / "Game.rfd"));
             fs::rename(dir / "copy.rfd", dir / "Game.rfd");
         },
         {"a.txt", "b.txt", "c.txt"}},
        {[&] {
             return MakeBag("Sounds.bag", {{"a", 22050, 6, 0, Bytes(10, 1)}, {"b", 22050, 6, 0, Bytes(12, 2)}});
         },
         [&] {
             // Another program's save: a new file renamed over ours.
             MakeBag("theirs.bag", {{"other", 11025, 2, 0, Bytes(5, 7)}});
             fs::rename(dir / "theirs.bag", dir / "Sounds.bag");
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
    std::optional<FileLock> held =
        FileLock::Acquire(EditGuard::LockFileFor(dir / "Game.rfd"), std::chrono::milliseconds(0)).lock;
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
    EXPECT_FALSE(fs::exists(EditGuard::LockFileFor(dir / "Game.rfd"))) << "the lock file goes with the lock";
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
    dir.write(".Game.rfd.vnk-add-decoy000", "a file of the user's");
    AddMarker(dir / "Game.rfd").Begin(data.size());
    dir.write("Game.rfd", data + "half a payload");
    Open(index);
    EXPECT_EQ(ReadText(dir / "Game.rfd"), data);
    EXPECT_EQ(AddMarker(dir / "Game.rfd").Markers(), std::vector<fs::path>{dir / ".Game.rfd.vnk-add-decoy000"})
        << "only our own marker goes";

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

// A removal killed at each step of its commit: the next open finishes it when it
// got past the commit point (the data file renamed) and throws it away before,
// and either way every entry extracts what it did and nothing is left behind.
// Files that merely look like staging files are never touched.
TEST_F(DataSafety, OpeningFinishesOrDiscardsAnInterruptedRemoval) {
    const std::vector<StoredFile> files = {{"a.txt", "alpha"}, {"b.txt", "bravo"}, {"c.txt", "charlie"}};
    const struct {
        const char* step;
        std::vector<std::string> after;
    } kills[] = {{"journal written", {"alpha", "bravo", "charlie"}},
                 {"data renamed", {"bravo", "charlie"}},
                 {"index renamed", {"bravo", "charlie"}}};
    for (const auto& kill : kills) {
        const fs::path index = MakeRfh("Game.rfh", files);
        const std::string decoys[] = {".Game.rfd.vnk-abcdefgh", ".Game.rfh.vnk-new", ".Game.rfd.vnk-12345678"};
        for (const auto& decoy : decoys) dir.write(decoy, "a file of the user's");
        Open(index);
        PairCommit::SetStepHook([&](std::string_view step) {
            if (step == kill.step) throw std::runtime_error("killed");
        });
        engine.RemoveFileFromArchive(1, true);
        PairCommit::SetStepHook({});
        engine.CloseArchive();
        Open(index);
        EXPECT_EQ(Extracted(), kill.after) << kill.step;
        for (const auto& decoy : decoys) EXPECT_EQ(ReadText(dir / decoy), "a file of the user's") << decoy;
        for (const auto& decoy : decoys) fs::remove(dir / decoy);
        EXPECT_EQ(dir.listing(), (std::vector<std::string>{"Game.rfd", "Game.rfh", "extracted", "src", "windows"}))
            << kill.step;
    }
}

// While the committing process lives it holds the lock, and nothing of its
// commit is touched. A reader that can't take the lock reads the archive as the
// commit leaves it: past the commit point, the staged index with the new data.
TEST_F(DataSafety, ACommitInProgressIsReadAsItWillEnd) {
    EditGuard::SetLockWait(std::chrono::milliseconds(50));
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}, {"b.txt", "bravo"}});
    Open(index);
    PairCommit::SetStepHook([](std::string_view step) {
        if (step == "data renamed") throw std::runtime_error("killed");
    });
    engine.RemoveFileFromArchive(1, true);
    PairCommit::SetStepHook({});
    engine.CloseArchive();
    std::optional<FileLock> held =
        FileLock::Acquire(EditGuard::LockFileFor(dir / "Game.rfd"), std::chrono::milliseconds(0)).lock;
    ASSERT_TRUE(held);
    Open(index);
    EXPECT_EQ(Extracted(), std::vector<std::string>{"bravo"}) << "the side recovery will keep";
    EXPECT_TRUE(engine.IsReadOnly());
    EXPECT_TRUE(fs::exists(PairCommit(index, dir / "Game.rfd").JournalPath())) << "a live commit is left alone";
    held.reset();
    Open(index);
    EXPECT_FALSE(engine.IsReadOnly());
    EXPECT_EQ(StoredNames(index), std::vector<std::string>{"b.txt"});
    EditGuard::SetLockWait(std::chrono::seconds(3));
}

// Another program renames its own pair over ours: what we read stays the pair we
// opened (no mix of their offsets with our table), and no edit adopts theirs.
TEST_F(DataSafety, AnOpenArchiveIsASnapshotOfTheFilesOpened) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}, {"b.txt", "bravo"}});
    fs::create_directories(dir / "theirs");
    MakeRfh("theirs/Game.rfh", {{"x.txt", "XXXXX"}, {"y.txt", "YYYYYYYYYY"}});
    Open(index);
    fs::rename(dir / "theirs/Game.rfd", dir / "Game.rfd");
    fs::rename(dir / "theirs/Game.rfh", index);
    EXPECT_EQ(Extracted(), (std::vector<std::string>{"alpha", "bravo"})) << "reads go to the files opened";
    const auto theirIndex = ReadBytes(index), theirData = ReadBytes(dir / "Game.rfd");
    engine.RemoveFileFromArchive(1, true);
    EXPECT_TRUE(Said("changed by another program"));
    EXPECT_EQ(ReadBytes(index), theirIndex);
    EXPECT_EQ(ReadBytes(dir / "Game.rfd"), theirData);
    // The list now shows their archive; a removal chosen on it is theirs to make.
    EXPECT_EQ(Cells(Column::Filename), (std::vector<std::string>{"x.txt", "y.txt"}));
    engine.RemoveFileFromArchive(1, true);
    EXPECT_EQ(Extracted(), std::vector<std::string>{"YYYYYYYYYY"});
}

// A same-size rewrite in place with the old modification time put back still
// changes the file's change time: the guard sees it.
TEST_F(DataSafety, AnInPlaceRewriteWithItsOldTimeIsStillSeen) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}, {"b.txt", "bravo"}}), data = dir / "Game.rfd";
    Open(index);
    const auto mtime = fs::last_write_time(data);
    auto bytes = ReadBytes(data);
    std::reverse(bytes.begin(), bytes.end());
    {
        std::ofstream out(data, std::ios::binary | std::ios::in | std::ios::out);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    fs::last_write_time(data, mtime);
    engine.AddFileToArchive(Source("c.txt", "charlie"), "");
    EXPECT_TRUE(Said("changed by another program"));
    EXPECT_EQ(ReadBytes(data), bytes);
}

// The lock is taken only on the file its name still leads to: a holder that let
// go and another process that made the file anew in between must not both hold it.
TEST_F(DataSafety, ALockRecreatedBetweenOpenAndLockIsNotTaken) {
    const fs::path lockFile = dir / ".Game.rfd.vnk-lock";
    std::optional<FileLock> other;
    bool recreated = false;
    FileLock::SetOpenedHook([&](const fs::path& file) {
        if (std::exchange(recreated, true)) return;
        fs::remove(file);
        other = FileLock::Acquire(file, std::chrono::milliseconds(0)).lock;
    });
    const FileLock::Attempt attempt = FileLock::Acquire(lockFile, std::chrono::milliseconds(100));
    FileLock::SetOpenedHook({});
    ASSERT_TRUE(other && other->held());
    EXPECT_FALSE(attempt.lock) << "two holders of one lock";
    EXPECT_TRUE(attempt.problem.empty()) << "another holder is no problem of the file: " << attempt.problem;
}

// The lock file is never reached through a link, and one that can't be used is
// reported as what it is, naming it, never as "being changed".
TEST_F(DataSafety, ALinkInPlaceOfTheLockFileIsNotFollowed) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}});
    fs::create_symlink(dir / "elsewhere" / "planted", dir / ".Game.rfd.vnk-lock");
    Open(index);
    engine.AddFileToArchive(Source("b.txt", "bravo"), "");
    EXPECT_TRUE(Said(".Game.rfd.vnk-lock\" is a symbolic link"));
    EXPECT_FALSE(Said("being changed"));
    EXPECT_FALSE(fs::exists(dir / "elsewhere"));
    EXPECT_EQ(StoredNames(index), std::vector<std::string>{"a.txt"});
}

// A mod folder that links to the game's pair: edits write the real files and the
// links stay links, so the pair never diverges.
TEST_F(DataSafety, EditsThroughLinksWriteTheRealFiles) {
    fs::create_directories(dir / "game");
    MakeRfh("game/Game.rfh", {{"a.txt", "alpha"}, {"b.txt", "bravo"}});
    fs::create_directories(dir / "mod");
    fs::create_symlink(dir / "game/Game.rfh", dir / "mod/Game.rfh");
    fs::create_symlink(dir / "game/Game.rfd", dir / "mod/Game.rfd");
    Open(dir / "mod/Game.rfh");
    engine.AddFileToArchive(Source("c.txt", "charlie"), "");
    engine.RemoveFileFromArchive(1, true);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text;
    EXPECT_TRUE(fs::is_symlink(dir / "mod/Game.rfh") && fs::is_symlink(dir / "mod/Game.rfd"));
    EXPECT_EQ(StoredNames(dir / "game/Game.rfh"), (std::vector<std::string>{"b.txt", "c.txt"}));
    Open(dir / "game/Game.rfh");
    EXPECT_EQ(Extracted(), (std::vector<std::string>{"bravo", "charlie"}));
}

// Two indexes that differ in letter case reach one data file: the one that
// reaches it only by letter case is read-only; a data file that can't be told
// apart from its case twin is one clear message, not a list of damaged entries.
TEST_F(DataSafety, CaseTwinsNeverShareADataFileForWriting) {
    const fs::path index = MakeRfh("game.rfh", {{"a.txt", "alpha"}});
    dir.write("GAME.RFH", ReadText(index));
    Open(dir / "GAME.RFH");
    EXPECT_TRUE(engine.IsReadOnly());
    EXPECT_NE(engine.ReadOnlyReason().find("letter case"), std::string::npos) << engine.ReadOnlyReason();
    EXPECT_EQ(Extracted(), std::vector<std::string>{"alpha"});

    dir.write("Twin.rfh", ReadText(index));
    dir.write("twin.rfd", ReadText(dir / "game.rfd"));
    dir.write("TWIN.RFD", ReadText(dir / "game.rfd"));
    ui.messages.clear();
    Open(dir / "Twin.rfh");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(Said("can't be told")) << ui.messages[0].text;
    EXPECT_TRUE(engine.IsReadOnly());
}

// Nothing is extracted over the open archive's own files, however they are
// reached: by their name, a hard link or a symbolic link.
TEST_F(DataSafety, TheArchivesOwnFilesAreNeverAnExtractionTarget) {
    const fs::path index = MakeRfh("Game.rfh", {{"Game.rfd", "would destroy the archive"}, {"b.txt", "bravo"}});
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "link");
    fs::create_hard_link(dir / "Game.rfd", dir / "out/Game.rfd");
    Open(index);
    const auto data = ReadBytes(dir / "Game.rfd");
    for (const fs::path& folder : {dir.path(), dir / "out"}) {
        ui.messages.clear();
        engine.ExtractAllFiles(folder.string() + "/", true, false, false);
        EXPECT_TRUE(Said("is a file of the open archive itself")) << folder;
    }
    fs::create_symlink(dir / "Game.rfd", dir / "link/Game.rfd");
    ui.messages.clear();
    engine.ExtractAllFiles((dir / "link").string() + "/", true, false, false);
    EXPECT_TRUE(Said("is a file of the open archive itself"));
    EXPECT_EQ(ReadBytes(dir / "Game.rfd"), data);
    EXPECT_EQ(Extracted(), (std::vector<std::string>{"would destroy the archive", "bravo"}));
}

// Another program that writes into the data file in the middle of a long add
// stops the add before its next file: what that program wrote stays, and the
// index names only what was added before.
TEST_F(DataSafety, AChangeDuringAnEditStopsItBeforeItsNextWrite) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}});
    const std::vector<std::string> files = {Source("b.txt", "bravo"), Source("c.txt", "charlie"),
                                            Source("d.txt", "delta")};
    Open(index);
    Bytes theirs;
    ui.onYield = [&] {
        if (!theirs.empty()) return;
        std::ofstream(dir / "Game.rfd", std::ios::binary | std::ios::app) << "THEIRS";
        theirs = ReadBytes(dir / "Game.rfd");
    };
    engine.AddFilesToArchive(files, "");
    ui.onYield = nullptr;
    EXPECT_TRUE(Said("changed or replaced the archive's files during this edit"));
    EXPECT_EQ(ReadBytes(dir / "Game.rfd"), theirs);
    Open(index);
    EXPECT_EQ(Cells(Column::Filename), (std::vector<std::string>{"a.txt", "b.txt"}));
}

// As root, a rewritten file keeps its owner and group, and a file nobody may
// write makes the archive read-only from the moment it is opened.
TEST_F(DataSafety, RewrittenFilesKeepTheirOwnerAndUnwritableArchivesOpenReadOnly) {
    const fs::path index = MakeRfh("Game.rfh", {{"a.txt", "alpha"}, {"b.txt", "bravo"}}), data = dir / "Game.rfd";
    if (::geteuid() == 0) {
        for (const fs::path& f : {index, data}) ASSERT_EQ(::chown(f.c_str(), 4321, 4321), 0);
        Open(index);
        engine.RemoveFileFromArchive(1, true);
        for (const fs::path& f : {index, data}) {
            struct stat st {};
            ASSERT_EQ(::stat(f.c_str(), &st), 0);
            EXPECT_EQ(st.st_uid, 4321u) << f;
            EXPECT_EQ(st.st_gid, 4321u) << f;
        }
    }
    fs::permissions(data, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ui.commands.clear();
    Open(index);
    EXPECT_TRUE(engine.IsReadOnly());
    EXPECT_NE(std::find(ui.commands.begin(), ui.commands.end(), "EnableReadOnly"), ui.commands.end());
    EXPECT_NE(ui.panel[1].find("write-protected"), std::string::npos) << ui.panel[1];
}

}  // namespace
}  // namespace varnok::test
