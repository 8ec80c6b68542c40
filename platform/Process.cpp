#include "platform/Process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>
#include <thread>

extern char** environ;

namespace varnok {
namespace fs = std::filesystem;

namespace {

bool IsExecutableFile(const fs::path& file) {
    std::error_code ec;
    return fs::is_regular_file(file, ec) && ::access(file.c_str(), X_OK) == 0;
}

// Signals whose handling a new program should not inherit from this one: an
// ignored SIGPIPE or SIGHUP would silently change how it behaves.
void DefaultSignals(sigset_t& set) {
    sigemptyset(&set);
    for (const int signal : {SIGPIPE, SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2}) {
        sigaddset(&set, signal);
    }
}

int Spawn(const std::vector<std::string>& command, const fs::path& workingFolder, pid_t& pid) {
    std::vector<char*> argv;
    argv.reserve(command.size() + 1);
    for (const auto& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (int rc = posix_spawn_file_actions_init(&actions); rc != 0) return rc;
    if (int rc = posix_spawnattr_init(&attributes); rc != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return rc;
    }
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    DefaultSignals(defaults);
    int rc = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (rc == 0) rc = posix_spawnattr_setsigmask(&attributes, &none);
    if (rc == 0) rc = posix_spawnattr_setsigdefault(&attributes, &defaults);
    if (rc == 0 && !workingFolder.empty()) rc = posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    if (rc == 0) rc = posix_spawn(&pid, argv.front(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return rc;
}

// Nobody waits for the program, but its exit status must be collected, or it
// stays behind as a zombie for as long as this process runs.
void ReapWhenDone(pid_t pid) {
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

}  // namespace

bool IsWindowsExecutable(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    char magic[2] = {};
    return in.read(magic, 2) && magic[0] == 'M' && magic[1] == 'Z';
}

std::string SearchPath() {
    const char* path = std::getenv("PATH");
    return path ? std::string(path) : std::string("/usr/local/bin:/usr/bin:/bin");
}

std::optional<fs::path> FindProgram(std::string_view name, std::string_view searchPath) {
    if (name.empty()) return std::nullopt;
    if (name.find('/') != std::string_view::npos) {
        if (IsExecutableFile(fs::path(name))) return fs::path(name);
        return std::nullopt;
    }
    while (true) {
        const auto colon = searchPath.find(':');
        const auto folder = searchPath.substr(0, colon);
        // An empty entry would mean the current folder, which is never where a
        // helper program should come from.
        if (!folder.empty()) {
            fs::path candidate = fs::path(folder) / name;
            if (IsExecutableFile(candidate)) return candidate;
        }
        if (colon == std::string_view::npos) return std::nullopt;
        searchPath.remove_prefix(colon + 1);
    }
}

std::optional<fs::path> FindProgram(std::string_view name) { return FindProgram(name, SearchPath()); }

StartResult StartDetached(const fs::path& program, const std::vector<std::string>& arguments,
                          const fs::path& workingFolder) {
    return StartDetached(program, arguments, workingFolder, SearchPath());
}

StartResult StartDetached(const fs::path& program, const std::vector<std::string>& arguments,
                          const fs::path& workingFolder, std::string_view searchPath) {
    StartResult result;
    std::error_code ec;
    fs::path executable = program;
    if (!program.has_parent_path()) {
        const auto found = FindProgram(program.string(), searchPath);
        if (!found) {
            result.status = StartStatus::ProgramMissing;
            result.command = {program.string()};
            return result;
        }
        executable = *found;
    } else if (!fs::exists(program, ec)) {
        result.status = StartStatus::ProgramMissing;
        result.command = {program.string()};
        return result;
    }

    if (IsWindowsExecutable(executable)) {
        const auto wine = FindProgram("wine", searchPath);
        result.command = {wine ? wine->string() : std::string("wine"), executable.string()};
        if (!wine) {
            result.status = StartStatus::WineMissing;
            return result;
        }
    } else {
        result.command = {executable.string()};
    }
    result.command.insert(result.command.end(), arguments.begin(), arguments.end());

    pid_t pid = 0;
    if (const int rc = Spawn(result.command, workingFolder, pid); rc != 0) {
        result.status = StartStatus::Failed;
        result.error = rc;
        return result;
    }
    ReapWhenDone(pid);
    result.status = StartStatus::Started;
    return result;
}

std::string StartFailureText(const StartResult& result, const fs::path& program) {
    const std::string name = program.filename().string();
    switch (result.status) {
        case StartStatus::Started: return {};
        case StartStatus::ProgramMissing: return "Can't find " + program.string() + ".";
        case StartStatus::WineMissing:
            return name + " is a Windows program. Install Wine to run it (the \"wine\" command was not found).";
        case StartStatus::Failed: break;
    }
    return "Can't start " + program.string() + ": " + std::strerror(result.error) + ".";
}

}  // namespace varnok
