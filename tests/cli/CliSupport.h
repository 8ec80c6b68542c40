#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/TempDir.h"

namespace varnok::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs varnok with `args` in `cwd`, stdin from /dev/null, and waits for it.
CliResult RunCli(const std::filesystem::path& cwd, const std::vector<std::string>& args);

// The same with stdin a terminal on which `typed` has been typed.
CliResult RunCliOnTerminal(const std::filesystem::path& cwd, const std::vector<std::string>& args,
                           const std::string& typed);

// Starts it without waiting, output discarded; the caller kills and reaps it.
pid_t StartCli(const std::filesystem::path& cwd, const std::vector<std::string>& args);

// One entry of an archive: its stored name (Windows-1252 bytes, "\" separators) and bytes.
struct TestEntry {
    std::string storedName;
    std::vector<std::uint8_t> bytes;
    bool operator==(const TestEntry&) const = default;
};

// Writes `index` and the .rfd beside it with the format classes, one compressed
// payload per entry, as the program itself would.
void BuildRfh(const std::filesystem::path& index, const std::vector<TestEntry>& entries);

// Reads an RFH pair without the program's code, inflating each payload with zlib's
// uncompress. Any inconsistency (a cut entry, a payload outside the data file, a
// stream that does not inflate to exactly its size) fails the test.
std::vector<TestEntry> ReadRfhIndependently(const std::filesystem::path& index);

// A test in a fresh folder, with varnok run there.
class CliFixture : public ::testing::Test {
protected:
    CliResult Run(const std::vector<std::string>& args) { return RunCli(dir_.path(), args); }
    TempDir dir_;
};

}  // namespace varnok::test
