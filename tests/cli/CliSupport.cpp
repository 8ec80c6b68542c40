#include "tests/cli/CliSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>

#include "formats/cRFD.h"
#include "formats/cRFH.h"
#include "tests/support/TempDir.h"

extern char** environ;

namespace varnok::test {
namespace fs = std::filesystem;

namespace {

std::int32_t I32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | b[at + static_cast<std::size_t>(k)];
    return static_cast<std::int32_t>(v);
}

pid_t Spawn(const fs::path& cwd, const std::vector<std::string>& args, const fs::path& in, const fs::path& out,
            const fs::path& err) {
    std::vector<std::string> words{VARNOK_CLI_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDWR, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, VARNOK_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error(std::string("cannot start varnok: ") + std::strerror(rc));
    return pid;
}

// The data file beside an index: its last three characters become "rfd", each in
// the letter case of the one it replaces.
fs::path DataFileOf(const fs::path& index) {
    std::string name = index.string();
    static constexpr char kRfd[] = "rfd";
    for (std::size_t i = 0; i < 3; ++i) {
        char& c = name[name.size() - 3 + i];
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(kRfd[i] - 'a' + 'A') : kRfd[i];
    }
    return name;
}

CliResult Run(const fs::path& cwd, const std::vector<std::string>& args, const fs::path& in) {
    // The captures go to the test's own settings folder, so listings of the
    // working folder stay clean.
    const char* windows = std::getenv("VARNOK_WINDOWS_DIR");
    const fs::path captures = windows ? fs::path(windows) : fs::temp_directory_path();
    const fs::path out = captures / (".cli-out-" + std::to_string(::getpid()));
    const fs::path err = captures / (".cli-err-" + std::to_string(::getpid()));
    const pid_t pid = Spawn(cwd, args, in, out, err);
    int status = 0;
    ::waitpid(pid, &status, 0);
    CliResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = ReadText(out);
    r.err = ReadText(err);
    fs::remove(out);
    fs::remove(err);
    return r;
}

}  // namespace

CliResult RunCli(const fs::path& cwd, const std::vector<std::string>& args) { return Run(cwd, args, "/dev/null"); }

// The typed lines wait in the terminal's input queue until the tool reads them.
CliResult RunCliOnTerminal(const fs::path& cwd, const std::vector<std::string>& args, const std::string& typed) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) throw std::runtime_error("no terminal");
    const std::string slave = ::ptsname(master);
    const int held = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
    if (::write(master, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size())) {
        throw std::runtime_error("cannot type into the terminal");
    }
    CliResult r = Run(cwd, args, slave);
    ::close(held);
    ::close(master);
    return r;
}

pid_t StartCli(const fs::path& cwd, const std::vector<std::string>& args) {
    return Spawn(cwd, args, "/dev/null", "/dev/null", "/dev/null");
}

void BuildRfh(const fs::path& index, const std::vector<TestEntry>& entries) {
    const fs::path data = DataFileOf(index);
    const fs::path source = index.parent_path() / ".source";
    fs::remove(index);
    fs::remove(data);
    cRFH rfh;
    cRFD rfd;
    rfd.RFDOpen(data);
    for (const TestEntry& e : entries) {
        std::FILE* f = std::fopen(source.c_str(), "wb");
        std::fwrite(e.bytes.data(), 1, e.bytes.size(), f);
        std::fclose(f);
        const std::int32_t packed = rfd.RFDAddFile(rfh.RFHNextOffSet(), source, true);
        rfh.RFHAddFile(source, e.storedName, packed);
    }
    rfh.RFHSave(index);
    if (entries.empty()) std::fclose(std::fopen(data.c_str(), "wb"));
    fs::remove(source);
}

std::vector<TestEntry> ReadRfhIndependently(const fs::path& index) {
    const std::vector<std::uint8_t> table = ReadBytes(index);
    const std::vector<std::uint8_t> data = ReadBytes(DataFileOf(index));
    std::vector<TestEntry> entries;
    std::size_t p = 0;
    while (table.size() - p >= 2) {
        const std::int32_t nameLen = table.size() - p < 24 ? 0 : I32At(table, p);
        if (nameLen < 1 || static_cast<std::size_t>(nameLen) > table.size() - p - 24) {
            ADD_FAILURE() << "index cut or a bad name length at offset " << p;
            break;
        }
        const std::int32_t packed = I32At(table, p + 8), packedSize = I32At(table, p + 12);
        const std::int32_t originalSize = I32At(table, p + 16), offset = I32At(table, p + 20);
        TestEntry e;
        e.storedName.assign(table.begin() + static_cast<std::ptrdiff_t>(p + 24),
                            table.begin() + static_cast<std::ptrdiff_t>(p + 24) + nameLen - 1);
        p += 24 + static_cast<std::size_t>(nameLen);
        e.bytes.resize(static_cast<std::size_t>(std::max(originalSize, 0)) + 1);
        uLongf length = static_cast<uLongf>(e.bytes.size());
        const bool inside = packed == 2 && packedSize >= 4 && offset >= 0 &&
                            static_cast<std::uint64_t>(offset) + static_cast<std::uint64_t>(packedSize) <= data.size();
        if (!inside ||
            uncompress(e.bytes.data(), &length, data.data() + offset + 4, static_cast<uLong>(packedSize - 4)) != Z_OK ||
            length != static_cast<uLongf>(originalSize)) {
            ADD_FAILURE() << e.storedName << ": payload outside the data file or not inflating to its size";
            continue;
        }
        e.bytes.resize(length);
        entries.push_back(std::move(e));
    }
    return entries;
}

}  // namespace varnok::test
