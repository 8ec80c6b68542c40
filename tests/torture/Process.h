#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace varnok::torture {

// How a child process ended.
struct Ending {
    int exitCode = -1;  // when it exited
    int signal = 0;     // when a signal ended it
    bool exited() const { return signal == 0; }
};

// A program started with posix_spawn (never through a shell), stdin from
// /dev/null, stdout and stderr into `log`.
class Child {
public:
    static Child Start(const std::vector<std::string>& argv, const std::filesystem::path& log);

    pid_t pid() const { return pid_; }
    // The ending once the child has ended, without waiting; nullopt while it runs.
    std::optional<Ending> Poll();
    Ending Wait();
    void Kill() const;

private:
    explicit Child(pid_t pid) : pid_(pid) {}
    pid_t pid_;
};

// Starts the program and waits for it to end, at most a minute: then it is killed.
Ending RunToEnd(const std::vector<std::string>& argv, const std::filesystem::path& log);

}  // namespace varnok::torture
