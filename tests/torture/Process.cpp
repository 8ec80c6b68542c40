#include "tests/torture/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace varnok::torture {

namespace {

constexpr int kChildNice = 5;
// A run of varnok on these small archives that takes longer is stuck; it is
// killed, and its ending says so.
constexpr auto kLongestRun = std::chrono::seconds(60);

Ending EndingOf(int status) {
    if (WIFSIGNALED(status)) return {-1, WTERMSIG(status)};
    return {WEXITSTATUS(status), 0};
}

// Owns the file actions of one spawn.
class SpawnActions {
public:
    explicit SpawnActions(const std::filesystem::path& log) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions_, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions_, 1, 2);
    }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    const posix_spawn_file_actions_t* get() const { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

}  // namespace

Child Child::Start(const std::vector<std::string>& argv, const std::filesystem::path& log) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    SpawnActions actions(log);
    pid_t pid = -1;
    const int err = ::posix_spawn(&pid, args[0], actions.get(), nullptr, args.data(), environ);
    if (err != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(err));
    // A little below the harness, so that it is rarely held up between two steps
    // it means to take together (a foreign writer's two renames).
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(pid), kChildNice);
    return Child(pid);
}

std::optional<Ending> Child::Poll() {
    int status = 0;
    const pid_t got = ::waitpid(pid_, &status, WNOHANG);
    if (got == 0) return std::nullopt;
    if (got < 0) throw std::runtime_error(std::string("waitpid: ") + std::strerror(errno));
    return EndingOf(status);
}

Ending Child::Wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error(std::string("waitpid: ") + std::strerror(errno));
    }
    return EndingOf(status);
}

void Child::Kill() const { ::kill(pid_, SIGKILL); }

Ending RunToEnd(const std::vector<std::string>& argv, const std::filesystem::path& log) {
    Child child = Child::Start(argv, log);
    const auto deadline = std::chrono::steady_clock::now() + kLongestRun;
    while (std::chrono::steady_clock::now() < deadline) {
        if (std::optional<Ending> ending = child.Poll()) return *ending;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    child.Kill();
    return child.Wait();
}

}  // namespace varnok::torture
