// The names the program writes into an index: each one is a name extraction
// accepts, or it is refused before anything is saved.
#include <functional>
#include <optional>

#include "engine/ExtractionTarget.h"
#include "engine/TextRules.h"
#include "tests/engine/EngineFixture.h"

namespace varnok::test {
namespace {

using namespace std::string_literals;

TEST(NameRules, StoredPathsTakeTheFormAddedNamesHave) {
    const std::pair<std::string, std::optional<std::string>> paths[] = {
        {"", ""},
        {"\\", ""},
        {"\\sounds", "sounds\\"},
        {"sounds/ui", "sounds\\ui\\"},
        {"\\\\x//", "x\\"},
        {"caf\xe9", "caf\xe9\\"},
        {"..", std::nullopt},
        {"a\\.\\b", std::nullopt},
        {"C:", std::nullopt},
        {"x\\c:y", std::nullopt},
        {"a\0b"s, std::nullopt},
    };
    for (const auto& [typed, stored] : paths) {
        std::string why;
        EXPECT_EQ(NormaliseStoredPath(typed, why), stored) << typed;
        EXPECT_EQ(why.empty(), stored.has_value()) << typed;
        // Whatever is stored, extraction takes.
        if (stored) {
            EXPECT_TRUE(ResolveExtractionTarget("/out", *stored, "f.txt").path) << typed;
        }
    }
}

TEST(NameRules, FileNamesAreRefusedExactlyWhereExtractionRefusesThem) {
    const std::pair<std::string, bool> names[] =
        {
            {"a.wav", true}, {"..a", true},   {"ab:c", true}, {"", false},    {".", false},
            {"..", false},   {"a\\b", false}, {"a/b", false}, {"C:x", false}, {"x\0"s, false},
            {"a\\", false},  {"\\", false},  // a name ending in "\" would name a folder
        };
    for (const auto& [name, storable] : names) {
        EXPECT_EQ(RefusalOfName(name).empty(), storable) << name;
        EXPECT_EQ(ResolveExtractionTarget("/out", "", name).path.has_value(), storable) << name;
    }
}

TEST(NameRules, OnlyAnIndexNamedRfhHasADataFile) {
    const std::pair<const char*, const char*> paths[] = {
        {"dir/game.rfh", "dir/game.rfd"}, {"a.RfH", "a.RfD"}, {".rfh", ".rfd"}, {"/x/rfh", ""}, {"game.rfh.bak", ""}};
    for (const auto& [index, data] : paths) EXPECT_EQ(DataFilePath(index), data) << index;

    const std::pair<const char*, const char*> typed[] = {
        {"/d/abc", "/d/abc.rfh"}, {"abc.RFH", "abc.RFH"}, {"abc.", "abc.rfh"}, {"a.rfd", "a.rfd.rfh"}, {"/d/", "/d/"}};
    for (const auto& [name, withExtension] : typed) EXPECT_EQ(WithArchiveExtension(name, ".rfh"), withExtension);
}

class EngineNames : public EngineTest {
protected:
    // Runs one command on entry 1 of a fresh archive; the entry's stored name
    // afterwards, or nothing when the command was refused with a message.
    std::optional<std::string> StoredAfter(const std::function<void()>& command) {
        const fs::path index = MakeRfh("Game" + std::to_string(++archives_) + ".rfh", {{"music\\a.txt", "alpha"}});
        Open(index);
        Select({1});
        ui.messages.clear();
        const auto before = ReadBytes(index);
        command();
        if (!ui.messages.empty()) {
            EXPECT_EQ(ReadBytes(index), before) << ui.messages[0].text;
            return std::nullopt;
        }
        const std::vector<std::string> names = StoredNames(index);
        const std::string shown = Cell(RowCount(), Column::Path) + Cell(RowCount(), Column::Filename);
        EXPECT_EQ(shown, names.back()) << "the list shows what is stored";
        return names.back();
    }
    int RowCount() const { return engine.RowCount(); }

private:
    int archives_ = 0;
};

TEST_F(EngineNames, EveryWrittenNameIsOneExtractionTakes) {
    const std::string added = dir.write("in/f.txt", "payload").string();
    const struct {
        const char* what;
        std::function<void(mVarnokEngine&)> command;
        std::optional<std::string> stored;
    } cases[] = {
        {"path a//b/", [](auto& e) { e.ConfirmChangePath("a//b/"); }, "a\\b\\a.txt"},
        {"path ..", [](auto& e) { e.ConfirmChangePath("x\\.."); }, std::nullopt},
        {"path overlong \\", [](auto& e) { e.ConfirmChangePath("x\xC1\x9C..\xC1\x9Cy"); }, std::nullopt},
        {"rename x\\b.txt", [](auto& e) { e.ConfirmRename("x\\b.txt"); },
         "music\\b.txt"},  // the folder typed is dropped
        {"rename C:x", [](auto& e) { e.ConfirmRename("C:x"); }, std::nullopt},
        {"rename overlong NUL", [](auto& e) { e.ConfirmRename("a\xC0\x80.txt"); }, std::nullopt},
        {"add to /", [&](auto& e) { e.AddFileToArchive(added, "/"); }, "f.txt"},
        {"add to ..", [&](auto& e) { e.AddFileToArchive(added, "..\\up\\"); }, std::nullopt},
        {"add to overlong", [&](auto& e) { e.AddFileToArchive(added, "\xC1\x9Cx"); }, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto stored = StoredAfter([&] { c.command(engine); });
        EXPECT_EQ(stored, c.stored) << c.what;
        if (!stored) continue;
        const std::string folder = stored->substr(0, stored->rfind('\\') + 1);
        EXPECT_TRUE(ResolveExtractionTarget(dir / "out", folder, stored->substr(folder.size())).path) << c.what;
    }
}

// Two entries of one stored name would leave the game, and every later command,
// to pick one of them: a rename or a new path that makes one is refused, and
// nothing is saved. Letters match in any case.
TEST_F(EngineNames, ANameAnotherEntryHasIsRefused) {
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { engine.ConfirmRename("B.TXT"); }, "music\\B.TXT"},
        {[&] { engine.ConfirmChangePath("/"); }, "a.txt"},
        {[&] { engine.ConfirmRename("A.txt"); }, ""},  // its own name
    };
    int archives = 0;
    for (const auto& [command, taken] : cases) {
        const fs::path index = MakeRfh("Names" + std::to_string(++archives) + ".rfh",
                                       {{"music\\a.txt", "alpha"}, {"music\\b.txt", "bravo"}, {"A.TXT", "root"}});
        Open(index);
        Select({1});
        ui.messages.clear();
        const auto before = ReadBytes(index);
        command();
        EXPECT_EQ(ReadBytes(index) == before, !taken.empty()) << taken;
        EXPECT_EQ(Said("already stored as \"" + taken + "\""), !taken.empty()) << taken;
    }

    // A BAG record's name is its stored name.
    Open(MakeBag("Sounds.bag", {{"a", 22050, 6, 0, {1, 1, 1}}, {"b", 22050, 6, 0, {2, 2, 2}}}));
    const auto before = ReadBytes(dir / "Sounds.bag");
    Select({1});
    engine.ConfirmRename("B.w");
    EXPECT_TRUE(Said("Entry 2 is already stored as \"b.w\""));
    EXPECT_EQ(ReadBytes(dir / "Sounds.bag"), before);
}

}  // namespace
}  // namespace varnok::test
