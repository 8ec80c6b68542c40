// What varnok does with a question when nobody can answer it, and with changes
// it refuses: a line on stderr that says what would have answered or why not,
// exit status 1, and the archive as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/cBAG.h"
#include "tests/cli/CliSupport.h"
#include "tests/support/TempDir.h"

namespace varnok::test {
namespace {
namespace fs = std::filesystem;
using Names = std::vector<std::string>;
constexpr auto npos = std::string::npos;

using CliQuestions = CliFixture;

// Without a terminal on stdin a question is printed with the option that answers
// it, and the run fails; given that option, the same run succeeds.
TEST_F(CliQuestions, AQuestionWithoutATerminalNamesTheOptionThatAnswersIt) {
    const std::vector<std::uint8_t> samples = PseudoRandomBytes(400, 3);
    const BAGWriteEntry sounds[] = {{"intro", 22050, 2, 7, samples}};
    cBAG::BAGWrite(dir_ / "sfx.bag", sounds);
    BuildRfh(dir_ / "game.rfh", {{"a.txt", ToBytes("first entry")}});
    auto data = ReadBytes(dir_ / "game.rfd");
    for (const char c : std::string("bytes no entry uses")) data.push_back(static_cast<std::uint8_t>(c));
    dir_.write("game.rfd", data);
    dir_.write("new.txt", "a new file");
    dir_.write("kept/a.txt", "mine");

    const struct {
        Names args;
        std::string question, answeredBy, option;
    } cases[] = {
        {{"extract", "sfx.bag", "-o", "out", "--overwrite"},
         std::string(cBAG::kConvertQuestion),
         "--wav (convert) or --raw",
         "--raw"},
        {{"add", "game.rfh", "new.txt"}, "Do you want to write over them?", "--yes answers it", "--yes"},
        {{"extract", "game.rfh", "-o", "kept"}, "a.txt already exists", "(--overwrite replaces it)", "--overwrite"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        const auto index = ReadBytes(dir_ / "game.rfh");
        CliResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(c.question), npos) << r.err;
        EXPECT_NE(r.err.find(c.answeredBy), npos) << r.err;
        EXPECT_EQ(ReadBytes(dir_ / "game.rfh"), index);

        Names answered = c.args;
        answered.push_back(c.option);
        r = Run(answered);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(ReadBytes(dir_ / "out/intro.w"), samples);
    EXPECT_EQ(ReadText(dir_ / "kept/a.txt"), "first entry");
    EXPECT_EQ(ReadRfhIndependently(dir_ / "game.rfh").size(), 2u);
}

// Two entries can't share a stored name: a rename or move that would make them,
// or that would rename several entries of one name at once, saves nothing.
TEST_F(CliQuestions, RenamesToAStoredNameAnotherEntryHasAreRefused) {
    BuildRfh(dir_ / "game.rfh", {{"a.txt", ToBytes("alpha")},
                                 {"b.txt", ToBytes("bravo")},
                                 {"music\\a.txt", ToBytes("music")},
                                 {"twin.txt", ToBytes("one")},
                                 {"TWIN.txt", ToBytes("two")}});
    const auto index = ReadBytes(dir_ / "game.rfh");
    const struct {
        Names args;
        std::string why;
    } refused[] = {
        {{"rename", "game.rfh", "a.txt", "B.TXT"}, "already stored as \"B.TXT\""},
        {{"move", "game.rfh", "music/a.txt", "/"}, "already stored as \"a.txt\""},
        {{"rename", "game.rfh", "twin.txt", "c.txt"}, "\"twin.txt\" names 2 entries"},
        {{"move", "game.rfh", "twin.txt", "docs"}, "\"twin.txt\" names 2 entries"},
    };
    for (const auto& c : refused) {
        const CliResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.args[0] << " " << c.args[2];
        EXPECT_NE(r.err.find(c.why), npos) << r.err;
        EXPECT_EQ(ReadBytes(dir_ / "game.rfh"), index) << c.args[0] << " " << c.args[2];
    }
    const CliResult r = Run({"rename", "game.rfh", "5", "twin2.txt"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadRfhIndependently(dir_ / "game.rfh").back().storedName, "twin2.txt");
}

}  // namespace
}  // namespace varnok::test
