#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/torture/Process.h"

namespace varnok::torture {

// The varnok executable under test.
struct Varnok {
    std::filesystem::path executable;

    std::vector<std::string> Argv(std::vector<std::string> args) const {
        args.insert(args.begin(), executable.string());
        return args;
    }
    // Runs varnok to its end, its output appended to `log`.
    Ending Run(const std::vector<std::string>& args, const std::filesystem::path& log) const {
        return RunToEnd(Argv(args), log);
    }
};

}  // namespace varnok::torture
