#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnok {

// Starting other programs without waiting for them: the game, plug-ins, the
// desktop's helpers. A program gets its arguments as a vector, never through a
// shell, so no name or path is ever taken apart or interpreted.

// True when the file starts with "MZ", as every Windows and DOS executable does.
bool IsWindowsExecutable(const std::filesystem::path& file);

// The full path of the program `name` in the folders of `searchPath`, a list in
// the form of $PATH. A name with a "/" is taken as a path and only checked. Nothing
// when there is no executable file of that name.
std::optional<std::filesystem::path> FindProgram(std::string_view name, std::string_view searchPath);
// The same in the folders of $PATH.
std::optional<std::filesystem::path> FindProgram(std::string_view name);
std::string SearchPath();  // $PATH, or the system's default list when it is unset

enum class StartStatus {
    Started,
    ProgramMissing,  // no such file, or no such program on the search path
    WineMissing,     // a Windows executable, and no wine to run it
    Failed,          // the system refused to start it: see `error`
};

struct StartResult {
    StartStatus status = StartStatus::Failed;
    int error = 0;                     // errno of a failed start
    std::vector<std::string> command;  // the argument vector that was (or would have been) run

    explicit operator bool() const noexcept { return status == StartStatus::Started; }
};

// Starts `program` with `arguments` and returns at once. A Windows executable runs
// as "wine <program> <arguments...>". The new process gets a session of its own, so
// it outlives this one and is not stopped by this program's terminal; it is reaped
// in the background when it ends. An empty `workingFolder` keeps this process's.
StartResult StartDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                          const std::filesystem::path& workingFolder = {});
StartResult StartDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                          const std::filesystem::path& workingFolder, std::string_view searchPath);

// A sentence for the user on why `program` did not start; "" when it did.
std::string StartFailureText(const StartResult& result, const std::filesystem::path& program);

}  // namespace varnok
