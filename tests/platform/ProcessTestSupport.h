#pragma once

// Helpers for tests that change the environment or start programs.
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TempDir.h"

namespace varnok::test {

// Sets (or with nullopt, removes) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = ::getenv(name)) old_ = old;
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A shell script standing in for a program, made executable.
inline std::filesystem::path WriteScript(const TempDir& dir, const std::filesystem::path& name,
                                         const std::string& body) {
    const auto path = dir.write(name, "#!/bin/sh\n" + body);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                           std::filesystem::perms::group_exec);
    return path;
}

// A script that writes its working folder and then each argument on a line of
// its own into `record`; the file appears whole, once the script is done.
inline std::filesystem::path WriteRecorder(const TempDir& dir, const std::filesystem::path& name,
                                           const std::filesystem::path& record, const std::string& extra = {}) {
    const std::string out = record.string();
    return WriteScript(dir, name,
                       "{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" + out + ".part'\n" +
                           "/bin/mv '" + out + ".part' '" + out + "'\n" + extra);
}

// Waits until a detached program has left `file` behind.
inline bool WaitForFile(const std::filesystem::path& file,
                        std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        std::error_code ec;
        if (std::filesystem::exists(file, ec)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
        lines.push_back(text.substr(start, nl - start));
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

}  // namespace varnok::test
