#pragma once

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace varnok::cli {

// A command line the tool cannot make sense of; it ends the run with exit code 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One option a command accepts: "--name", optionally "-c", optionally with a value
// ("--name VALUE", "--name=VALUE", "-c VALUE").
struct OptionSpec {
    std::string_view name;
    char shortName = 0;
    bool takesValue = false;
};

// The options every command accepts.
inline constexpr OptionSpec kCommonOptions[] = {{"help", 'h'}, {"verbose", 'v'}, {"yes", 'y'}};

// The words after the command name, split into options and positional arguments.
// Options may come anywhere; "--" ends them, so that a file named "-x" can be given.
class Arguments {
public:
    static Arguments Parse(std::span<const std::string> words, std::span<const OptionSpec> options);

    bool Has(std::string_view name) const;
    std::optional<std::string> Value(std::string_view name) const;
    const std::vector<std::string>& Positionals() const noexcept { return positionals_; }

    // Throws UsageError unless there are between `least` and `most` positionals.
    void ExpectPositionals(std::size_t least, std::size_t most, std::string_view what) const;
    // Throws UsageError when both options were given.
    void ExpectNotBoth(std::string_view a, std::string_view b) const;

private:
    std::vector<std::pair<std::string, std::string>> options_;  // name, value ("" for flags)
    std::vector<std::string> positionals_;
};

}  // namespace varnok::cli
