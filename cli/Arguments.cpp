#include "cli/Arguments.h"

#include <algorithm>

namespace varnok::cli {

namespace {

const OptionSpec* FindLong(std::span<const OptionSpec> options, std::string_view name) {
    for (const OptionSpec& o : options) {
        if (o.name == name) return &o;
    }
    for (const OptionSpec& o : kCommonOptions) {
        if (o.name == name) return &o;
    }
    return nullptr;
}

const OptionSpec* FindShort(std::span<const OptionSpec> options, char c) {
    for (const OptionSpec& o : options) {
        if (o.shortName == c) return &o;
    }
    for (const OptionSpec& o : kCommonOptions) {
        if (o.shortName == c) return &o;
    }
    return nullptr;
}

}  // namespace

Arguments Arguments::Parse(std::span<const std::string> words, std::span<const OptionSpec> options) {
    Arguments args;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            args.positionals_.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* option = nullptr;
        std::optional<std::string> inlineValue;
        if (word[1] == '-') {
            const std::size_t eq = word.find('=');
            option = FindLong(options, std::string_view(word).substr(2, eq == std::string::npos ? eq : eq - 2));
            if (eq != std::string::npos) inlineValue = word.substr(eq + 1);
        } else if (word.size() == 2) {
            option = FindShort(options, word[1]);
        }
        if (!option) throw UsageError("unknown option \"" + word + "\"");
        std::string value;
        if (option->takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < words.size()) {
                value = words[++i];
            } else {
                throw UsageError("option --" + std::string(option->name) + " needs a value");
            }
        } else if (inlineValue) {
            throw UsageError("option --" + std::string(option->name) + " takes no value");
        }
        args.options_.emplace_back(std::string(option->name), std::move(value));
    }
    return args;
}

bool Arguments::Has(std::string_view name) const {
    return std::any_of(options_.begin(), options_.end(), [&](const auto& o) { return o.first == name; });
}

// The last one wins when an option is given twice, as in most tools.
std::optional<std::string> Arguments::Value(std::string_view name) const {
    for (auto it = options_.rbegin(); it != options_.rend(); ++it) {
        if (it->first == name) return it->second;
    }
    return std::nullopt;
}

void Arguments::ExpectPositionals(std::size_t least, std::size_t most, std::string_view what) const {
    if (positionals_.size() < least) throw UsageError("missing " + std::string(what));
    if (positionals_.size() > most) throw UsageError("unexpected argument \"" + positionals_[most] + "\"");
}

void Arguments::ExpectNotBoth(std::string_view a, std::string_view b) const {
    if (Has(a) && Has(b)) throw UsageError("--" + std::string(a) + " and --" + std::string(b) + " exclude each other");
}

}  // namespace varnok::cli
