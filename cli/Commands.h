#pragma once

#include <span>
#include <string_view>

#include "cli/Arguments.h"

namespace varnok::cli {

// One command of the tool: its name as typed ("list", "mpk create"), the line the
// overview shows, its --help text, the options it takes and what runs it. `run`
// returns the exit code; it may throw UsageError.
struct Command {
    std::string_view name;
    std::string_view summary;
    std::string_view help;
    std::span<const OptionSpec> options;
    int (*run)(const Arguments& args);
};

extern const Command kListCommand;
extern const Command kExtractCommand;
extern const Command kAddCommand;
extern const Command kRemoveCommand;
extern const Command kRenameCommand;
extern const Command kMoveCommand;
extern const Command kCreateCommand;
extern const Command kTestCommand;
extern const Command kMpkListCommand;
extern const Command kMpkTestCommand;
extern const Command kMpkExtractCommand;
extern const Command kMpkCreateCommand;

}  // namespace varnok::cli
