// The reference model must never expect what a correct engine need not do (no
// false alarms) and must pin down what it must do.
#include <gtest/gtest.h>

#include "tests/torture/Model.h"

namespace varnok::torture {
namespace {

using std::chrono::milliseconds;

const Clock::time_point t0{};

Edit MakeEdit(EditKind kind, std::vector<std::string> names, int startMs, int endMs, int exitCode, int version = 0) {
    Edit e;
    e.kind = kind;
    e.names = std::move(names);
    e.version = version;
    e.start = t0 + milliseconds(startMs);
    e.end = t0 + milliseconds(endMs);
    e.ending = Ending{exitCode, 0};
    return e;
}

Edit Killed(Edit e) {
    e.killed = true;
    e.ending = Ending{-1, 9};
    return e;
}

Replacement At(int startMs, int endMs) { return {t0 + milliseconds(startMs), t0 + milliseconds(endMs)}; }

Expectation Found(std::initializer_list<std::pair<const char*, int>> entries) {
    Expectation e;
    for (const auto& [name, version] : entries) e[name] = Possible::Present(version, "found");
    return e;
}

TEST(TortureModel, DoneEditsWithoutReplacementDecide) {
    std::vector<Violation> violations;
    const Expectation e = ExpectAfter(
        Found({{"e1", 3}, {"e2", 0}}),
        {MakeEdit(EditKind::Add, {"e5", "e6"}, 0, 10, 0), MakeEdit(EditKind::Overwrite, {"e1"}, 10, 20, 0, 7),
         MakeEdit(EditKind::Remove, {"e2"}, 20, 30, 0)},
        std::nullopt, violations);
    EXPECT_TRUE(violations.empty());
    EXPECT_FALSE(e.at("e5").mayBeAbsent);
    EXPECT_EQ(e.at("e5").versions, std::set<int>{0});
    EXPECT_EQ(e.at("e1").versions, std::set<int>{7});
    EXPECT_TRUE(e.at("e2").mayBeAbsent);
    EXPECT_TRUE(e.at("e2").versions.empty());
}

TEST(TortureModel, FailedOrKilledEditsOnlyWiden) {
    std::vector<Violation> violations;
    const Expectation e = ExpectAfter(
        Found({{"e1", 3}, {"e2", 0}}),
        {MakeEdit(EditKind::Overwrite, {"e1"}, 0, 10, 1, 7), Killed(MakeEdit(EditKind::Remove, {"e2"}, 10, 20, 0)),
         Killed(MakeEdit(EditKind::Add, {"e9"}, 20, 30, 0))},
        std::nullopt, violations);
    EXPECT_EQ(e.at("e1").versions, (std::set<int>{3, 7}));
    EXPECT_FALSE(e.at("e1").mayBeAbsent);
    EXPECT_TRUE(e.at("e2").mayBeAbsent);
    EXPECT_EQ(e.at("e2").versions, std::set<int>{0});
    EXPECT_TRUE(e.at("e9").mayBeAbsent);
    EXPECT_EQ(e.at("e9").versions, std::set<int>{0});
}

TEST(TortureModel, RenameCarriesEveryVersionTheEntryMayHold) {
    std::vector<Violation> violations;
    const Expectation e = ExpectAfter(Found({{"e1", 3}}),
                                      {Killed(MakeEdit(EditKind::Overwrite, {"e1"}, 0, 10, 0, 7)),
                                       MakeEdit(EditKind::Rename, {"e1", "e1r4"}, 10, 20, 0)},
                                      std::nullopt, violations);
    EXPECT_TRUE(violations.empty());
    EXPECT_EQ(e.at("e1r4").versions, (std::set<int>{3, 7}));
    EXPECT_FALSE(e.at("e1r4").mayBeAbsent);
    EXPECT_TRUE(e.at("e1").versions.empty());
}

TEST(TortureModel, ReplacementWipesEditsThatEndedBeforeIt) {
    std::vector<Violation> violations;
    const Expectation e =
        ExpectAfter(Found({{"e1", 3}}), {MakeEdit(EditKind::Add, {"e5"}, 0, 10, 0)}, At(50, 51), violations);
    EXPECT_TRUE(e.at("e1").versions.empty());
    EXPECT_TRUE(e.at("e5").versions.empty());
    EXPECT_TRUE(e.at("e5").mayBeAbsent);
}

TEST(TortureModel, EditOverlappingTheReplacementMayOrMayNotShow) {
    std::vector<Violation> violations;
    const Expectation e = ExpectAfter(Found({}), {MakeEdit(EditKind::Add, {"e5"}, 40, 60, 0)}, At(50, 51), violations);
    EXPECT_TRUE(e.at("e5").mayBeAbsent);
    EXPECT_EQ(e.at("e5").versions, std::set<int>{0});
}

TEST(TortureModel, EditStartedAfterTheReplacementDecides) {
    std::vector<Violation> violations;
    const Expectation e = ExpectAfter(Found({}), {MakeEdit(EditKind::Add, {"e5"}, 52, 60, 0)}, At(50, 51), violations);
    EXPECT_FALSE(e.at("e5").mayBeAbsent);
    EXPECT_EQ(e.at("e5").decidedBy.rfind("edit", 0), 0u);
}

TEST(TortureModel, SuccessOnAnEntryTheReplacementTookIsFalse) {
    std::vector<Violation> violations;
    const Expectation e = ExpectAfter(Found({{"e1", 3}}), {MakeEdit(EditKind::Rename, {"e1", "e1r2"}, 52, 60, 0)},
                                      At(50, 51), violations);
    ASSERT_EQ(violations.size(), 1u);
    EXPECT_EQ(violations[0].check, "c");
    EXPECT_TRUE(e.at("e1r2").unknown);  // judged once, not again at the end
}

TEST(TortureModel, SuccessOnAnEntryStillPossiblyThereIsNoViolation) {
    std::vector<Violation> violations;
    ExpectAfter(Found({}), {MakeEdit(EditKind::Add, {"e5"}, 40, 60, 1), MakeEdit(EditKind::Remove, {"e5"}, 61, 70, 0)},
                At(50, 51), violations);
    EXPECT_TRUE(violations.empty());
}

}  // namespace
}  // namespace varnok::torture
