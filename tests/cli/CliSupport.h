#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace varnok::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the varnok executable with `args` in the folder `cwd`, stdin from /dev/null,
// and waits for it.
CliResult RunCli(const std::filesystem::path& cwd, const std::vector<std::string>& args);

// The same with stdin a terminal on which `typed` has been typed.
CliResult RunCliOnTerminal(const std::filesystem::path& cwd, const std::vector<std::string>& args,
                           const std::string& typed);

// Starts it without waiting, output discarded; the caller kills and reaps it.
pid_t StartCli(const std::filesystem::path& cwd, const std::vector<std::string>& args);

// One entry of an archive built for a test.
struct TestEntry {
    std::string storedName;  // Windows-1252 bytes, "\" separators
    std::vector<std::uint8_t> bytes;
};

// Writes `index` and the .rfd beside it with the format classes, one compressed
// payload per entry, as the program itself would.
void BuildRfh(const std::filesystem::path& index, const std::vector<TestEntry>& entries);

// An entry as read straight from the index bytes, its payload inflated with zlib.
struct ReadEntry {
    std::string storedName;
    std::vector<std::uint8_t> bytes;
};

// Reads an RFH pair without the program's code: parses the index, and inflates
// each compressed payload with zlib's uncompress. Any inconsistency (a cut entry,
// a payload outside the data file, a stream that does not inflate to exactly the
// original size) is a test failure, and `ok` is set false.
std::vector<ReadEntry> ReadRfhIndependently(const std::filesystem::path& index, bool& ok);

}  // namespace varnok::test
