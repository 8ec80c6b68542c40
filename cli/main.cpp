// varnok: the archive engine of Varnok 2 on the command line.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Output.h"
#include "engine/ProgramInfo.h"

namespace varnok::cli {

namespace {

const Command* const kCommands[] = {&kListCommand,    &kExtractCommand, &kAddCommand,        &kRemoveCommand,
                                    &kRenameCommand,  &kMoveCommand,    &kCreateCommand,     &kTestCommand,
                                    &kMpkListCommand, &kMpkTestCommand, &kMpkExtractCommand, &kMpkCreateCommand};

const Command* FindCommand(std::string_view name) {
    for (const Command* c : kCommands) {
        if (c->name == name) return c;
    }
    return nullptr;
}

void PrintOverview(std::ostream& out, bool mpkOnly) {
    out << (mpkOnly ? "Usage: varnok mpk COMMAND PACKAGE ...\n" : "Usage: varnok COMMAND ARCHIVE ...\n")
        << "\nCommands:\n";
    for (const Command* c : kCommands) {
        if (mpkOnly && !c->name.starts_with("mpk ")) continue;
        out << "  " << c->name << std::string(c->name.size() < 13 ? 13 - c->name.size() : 1, ' ') << c->summary << '\n';
    }
    out << "\nOptions of every command:\n"
           "  -h, --help     show the help of the command\n"
           "  -v, --verbose  show what the engine is doing\n"
           "  -y, --yes      answer yes to confirmations; without a terminal to ask on,\n"
           "                 a question no option answers fails the run\n"
           "\nExit status: 0 success, 1 failure or damaged archive, 2 wrong command line.\n";
    if (!mpkOnly) out << "\"varnok COMMAND --help\" describes a command.\n";
}

int UsageFailure(const std::string& why, std::string_view command) {
    PrintError(why);
    std::cerr << "Try \"varnok " << (command.empty() ? "" : std::string(command) + " ") << "--help\".\n";
    return kExitUsage;
}

int RunCommand(const Command& command, const std::vector<std::string>& words) {
    try {
        const Arguments args = Arguments::Parse(words, command.options);
        if (args.Has("help")) {
            std::cout << command.help;
            return kExitOk;
        }
        return command.run(args);
    } catch (const UsageError& e) {
        return UsageFailure(e.what(), command.name);
    } catch (const std::exception& e) {
        PrintError(e.what());
        return kExitFailed;
    }
}

bool IsCommonFlag(const std::string& word) {
    return word == "-v" || word == "--verbose" || word == "-y" || word == "--yes";
}

int Run(std::vector<std::string> words) {
    // "varnok -v extract ..." means the same as "varnok extract -v ...".
    std::vector<std::string> leading;
    while (!words.empty() && IsCommonFlag(words.front())) {
        leading.push_back(words.front());
        words.erase(words.begin());
    }
    if (words.empty()) {
        PrintOverview(std::cerr, false);
        return kExitUsage;
    }
    std::string name = words.front();
    words.erase(words.begin());
    if (name == "--help" || name == "-h" || name == "help") {
        const Command* c = words.empty() ? nullptr : FindCommand(words.front());
        if (c) {
            std::cout << c->help;
        } else {
            PrintOverview(std::cout, false);
        }
        return kExitOk;
    }
    if (name == "--version") {
        std::cout << "varnok (" << kFileDescription << kVersionComments << ")\n";
        return kExitOk;
    }
    if (name == "mpk") {
        if (words.empty() || words.front() == "--help" || words.front() == "-h") {
            PrintOverview(words.empty() ? std::cerr : std::cout, true);
            return words.empty() ? kExitUsage : kExitOk;
        }
        name += " " + words.front();
        words.erase(words.begin());
    }
    const Command* command = FindCommand(name);
    if (!command) return UsageFailure("unknown command \"" + name + "\"", {});
    words.insert(words.begin(), leading.begin(), leading.end());
    return RunCommand(*command, words);
}

}  // namespace

}  // namespace varnok::cli

int main(int argc, char** argv) { return varnok::cli::Run(std::vector<std::string>(argv + 1, argv + argc)); }
