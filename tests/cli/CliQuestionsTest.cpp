// What varnok does with a question when nobody can answer it, and with changes
// it refuses: a line on stderr that says what would have answered or why not,
// exit status 1, and the archive as it was.
#include <gtest/gtest.h>

#include "formats/cBAG.h"
#include "tests/cli/CliSupport.h"
#include "tests/support/TempDir.h"

namespace varnok::test {
namespace {
using Names = std::vector<std::string>;
constexpr auto npos = std::string::npos;

using CliQuestions = CliFixture;

// Without a terminal on stdin a question is printed with the option that answers
// it, and the run fails; given that option, the same run succeeds.
TEST_F(CliQuestions, AQuestionWithoutATerminalNamesTheOptionThatAnswersIt) {
    const BAGWriteEntry sounds[] = {{"intro", 22050, 2, 7, PseudoRandomBytes(400, 3)}};
    cBAG::BAGWrite(dir_ / "sfx.bag", sounds);
    BuildRfh(dir_ / "game.rfh", {{"a.txt", ToBytes("first entry")}});
    dir_.write("game.rfd", ReadText(dir_ / "game.rfd") + "bytes no entry uses");
    dir_.write("new.txt", "a new file");

    const struct {
        Names args;
        std::string question, answeredBy;
    } cases[] = {
        {{"extract", "sfx.bag", "--overwrite", "--raw"}, std::string(cBAG::kConvertQuestion), "--wav (convert) or"},
        {{"add", "game.rfh", "new.txt", "--yes"}, "Do you want to write over them?", "--yes answers it"},
    };
    for (const auto& c : cases) {
        const Names unanswered(c.args.begin(), c.args.end() - 1);
        CliResult r = Run(unanswered);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(c.question + "\nvarnok: not answered, as there is no terminal to ask on: " + c.answeredBy),
                  npos)
            << r.err;
        EXPECT_EQ(ReadRfhIndependently(dir_ / "game.rfh").size(), 1u);

        r = Run(c.args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
    EXPECT_EQ(ReadRfhIndependently(dir_ / "game.rfh").size(), 2u);
}

// Two entries can't share a stored name: neither a rename that would give one
// another's, nor one of several entries that share a name at once.
TEST_F(CliQuestions, RenamesToAStoredNameAnotherEntryHasAreRefused) {
    BuildRfh(dir_ / "game.rfh", {{"a.txt", ToBytes("alpha")},
                                 {"b.txt", ToBytes("bravo")},
                                 {"twin.txt", ToBytes("one")},
                                 {"TWIN.txt", ToBytes("two")}});
    const auto index = ReadBytes(dir_ / "game.rfh");
    const std::pair<Names, std::string> refused[] = {
        {{"rename", "game.rfh", "a.txt", "B.TXT"}, "already stored as \"B.TXT\""},
        {{"move", "game.rfh", "twin.txt", "docs"}, "\"twin.txt\" names 2 entries"},
    };
    for (const auto& [args, why] : refused) {
        const CliResult r = Run(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(why), npos) << r.err;
        EXPECT_EQ(ReadBytes(dir_ / "game.rfh"), index);
    }
}

}  // namespace
}  // namespace varnok::test
