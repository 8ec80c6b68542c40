#include <gtest/gtest.h>

#include "tests/torture/Checks.h"

namespace varnok::torture {
namespace {

TEST(TortureChecks, ListedNamesAreReadFromTheJsonList) {
    const std::string json =
        "{\"archive\":\"A.rfh\",\"kind\":\"rfh\",\"entries\":[\n"
        "{\"number\":1,\"name\":\"e1.dat\",\"path\":\"\",\"packed\":true},\n"
        "{\"number\":2,\"name\":\"odd \\\"q\\\" \\u0041.dat\",\"path\":\"\"}\n]}\n";
    EXPECT_EQ(ListedNames(json), (std::vector<std::string>{"e1.dat", "odd \"q\" A.dat"}));
}

std::vector<std::string> Checks(const Expectation& expected, const std::map<std::string, Identity>& found) {
    std::vector<Violation> violations;
    CompareWithModel(expected, Observation{true, found}, violations);
    std::vector<std::string> checks;
    for (const auto& v : violations) checks.push_back(v.check + ":" + v.what.substr(0, v.what.find(' ', 7)));
    return checks;
}

TEST(TortureChecks, WhatMayBeThereIsNoViolation) {
    Expectation expected;
    expected["e1"] = Possible{true, {0, 4}, {}};
    expected["e2"] = Possible::Absent("edit #1");
    EXPECT_TRUE(Checks(expected, {{"e1", {"e1", 4}}}).empty());
    EXPECT_TRUE(Checks(expected, {}).empty());
}

TEST(TortureChecks, ADoneEditNotToBeSeenIsB) {
    Expectation expected;
    expected["e1"] = Possible::Present(4, "edit #1 (worker 0, add --overwrite e1 v4, exit 0)");
    expected["e2"] = Possible::Absent("edit #2 (worker 0, remove e2, exit 0)");
    EXPECT_EQ(Checks(expected, {{"e2", {"e2", 0}}}), (std::vector<std::string>{"b:entry \"e1\"", "b:entry \"e2\""}));
    EXPECT_EQ(Checks(expected, {{"e1", {"e1", 3}}}), (std::vector<std::string>{"b:entry \"e1\""}));
}

TEST(TortureChecks, AnEntryNothingLeftIsC) {
    Expectation expected;
    expected["e1"] = Possible::Absent("the foreign writer renamed its pair over the archive");
    EXPECT_EQ(Checks(expected, {{"e1", {"e1", 0}}, {"e7", {"e7", 0}}}),
              (std::vector<std::string>{"c:entry \"e1\"", "c:entry \"e7\""}));
}

TEST(TortureChecks, AnEntryTheModelGaveUpOnIsNotJudged) {
    Expectation expected;
    expected["e1"] = Possible::Unknown();
    EXPECT_TRUE(Checks(expected, {{"e1", {"e1", 9}}}).empty());
    EXPECT_TRUE(Checks(expected, {}).empty());
}

}  // namespace
}  // namespace varnok::torture
