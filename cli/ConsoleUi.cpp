#include "cli/ConsoleUi.h"

#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <iostream>
#include <string_view>

#include "engine/mVarnokEngine.h"
#include "formats/cBAG.h"

extern char** environ;

namespace varnok::cli {

namespace {

constexpr std::string_view kExistsInfix = " already exists";
constexpr std::string_view kInArchive = " already exists in the archive";
constexpr std::string_view kCancelledPrefix = "Cancelled: ";
constexpr std::string_view kConvertOptions = "--wav (convert) or --raw (keep as stored)";

// Ctrl+C during a long operation asks it to stop after the entry in hand; a
// second one ends the program at once, as it would without the handler.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
    if (interrupted != 0) {
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
        return;
    }
    interrupted = 1;
}

// "N of M" out of the engine's "Cancelled: N of M files extracted.", or "".
std::string HowFar(const std::string& status) {
    if (!status.starts_with(kCancelledPrefix)) return {};
    const std::size_t of = status.find(" of ", kCancelledPrefix.size());
    if (of == std::string::npos) return {};
    const std::size_t end = status.find(' ', of + 4);
    return status.substr(kCancelledPrefix.size(),
                         end == std::string::npos ? std::string::npos : end - kCancelledPrefix.size());
}

std::string Lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

}  // namespace

ConsoleUi::ConsoleUi(Answers answers, std::ostream& err, bool interactive, bool showProgress)
    : answers_(answers), err_(err), interactive_(interactive), showProgress_(showProgress) {}

void ConsoleUi::SetPanel(Panel panel, const std::string& text) {
    if (panel != Panel::Message) return;
    if (const std::string done = HowFar(text); !done.empty()) {
        // Stopped by the user: not everything asked for was done.
        PrintLines("cancelled: " + done + " done");
        ++failures_;
    }
    if (answers_.verbose && text != lastMessage_) {
        ClearProgressLine();
        err_ << "varnok: " << text << '\n';
    }
    lastMessage_ = text;
}

void ConsoleUi::ShowProgress() {
    progressVisible_ = showProgress_;
    progressShown_ = -1;
    interrupted = 0;
    std::signal(SIGINT, OnInterrupt);
}

void ConsoleUi::HideProgress() {
    std::signal(SIGINT, SIG_DFL);
    ClearProgressLine();
    progressVisible_ = false;
}

bool ConsoleUi::CancelRequested() { return interrupted != 0; }

void ConsoleUi::UpdateProgress(std::int64_t current, std::int64_t total) {
    if (!progressVisible_ || total <= 0) return;
    const int percent = static_cast<int>(std::clamp<std::int64_t>(current * 100 / total, 0, 100));
    if (percent == progressShown_) return;
    progressShown_ = percent;
    err_ << "\rvarnok: " << percent << "% " << std::flush;
}

void ConsoleUi::ClearProgressLine() {
    if (progressShown_ < 0) return;
    err_ << "\r              \r" << std::flush;
    progressShown_ = -1;
}

void ConsoleUi::PrintLines(const std::string& text) {
    ClearProgressLine();
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (!line.empty()) err_ << "varnok: " << line << '\n';
        start = end + 1;
    }
}

std::optional<std::string> ConsoleUi::Ask(const std::string& prompt) {
    ClearProgressLine();
    err_ << "varnok: " << prompt << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) {
        err_ << '\n';
        return std::nullopt;
    }
    return Lowered(line);
}

bool ConsoleUi::AnswerYesNo(const std::string& text, std::optional<bool> flagAnswer, std::string_view options) {
    if (flagAnswer) return *flagAnswer;
    if (!interactive_) {
        ReportUnasked(text, options);
        return false;
    }
    const auto answer = Ask(text + " [y/N] ");
    return answer && (*answer == "y" || *answer == "yes");
}

// The answer taken instead (the one that changes least) is not the user's, so the
// run fails, and says what would have answered the question.
void ConsoleUi::ReportUnasked(const std::string& question, std::string_view options) {
    PrintLines(question);
    err_ << "varnok: not answered, as there is no terminal to ask on: " << options << " answers it\n";
    ++failures_;
}

MessageAnswer ConsoleUi::ShowMessage(const std::string& text, const std::string& /*title*/, MessageIcon icon,
                                     MessageButtons buttons) {
    if (buttons != MessageButtons::Ok) {
        const std::optional<bool> wave = answers_.convertToWave;
        const bool yes = text == cBAG::kConvertQuestion
                             ? AnswerYesNo(text, wave, kConvertOptions)
                             : AnswerYesNo(text, answers_.yes ? std::optional(true) : std::nullopt, "--yes");
        return yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    if (icon == MessageIcon::Critical || icon == MessageIcon::Exclamation) {
        ++failures_;
    }
    PrintLines(text);
    return MessageAnswer::Ok;
}

// --wav and --raw answer for every entry; a terminal is asked entry by entry, as before.
ConvertAnswer ConsoleUi::AskConvert(const std::string& question, const std::string& /*title*/) {
    // Models are converted only when --models names a format.
    if (question == mVarnokEngine::kModelQuestion) {
        return answers_.convertModels ? ConvertAnswer::YesToAll : ConvertAnswer::NoToAll;
    }
    if (answers_.convertToWave) return *answers_.convertToWave ? ConvertAnswer::YesToAll : ConvertAnswer::NoToAll;
    if (!interactive_) {
        // Asked once per command: the rest of its sounds leave as they are stored.
        ReportUnasked(question, kConvertOptions);
        return ConvertAnswer::NoToAll;
    }
    return AnswerYesNo(question, std::nullopt, kConvertOptions) ? ConvertAnswer::Yes : ConvertAnswer::No;
}

OverwriteAnswer ConsoleUi::AskOverwrite(const std::string& question, const std::string& /*title*/) {
    if (answers_.overwrite) return OverwriteAnswer::Yes;
    ++keptFiles_;
    if (interactive_) {
        for (;;) {
            const auto answer = Ask(question + " [y]es, [n]o, [a]ll, n[o]ne: ");
            if (!answer) break;
            if (*answer == "n" || *answer == "no") return OverwriteAnswer::No;  // the user's choice, no failure
            if (*answer == "y" || *answer == "yes") return OverwriteAnswer::Yes;
            if (*answer == "a" || *answer == "all") return OverwriteAnswer::YesToAll;
            if (*answer == "o" || *answer == "none") return OverwriteAnswer::NoToAll;
        }
    }
    // Nobody answered: the file asked for is not written, which the run must not
    // pass off as success.
    const std::size_t cut = question.find(kExistsInfix);
    const std::string file = cut == std::string::npos ? question : question.substr(0, cut);
    const bool entry = question.find(kInArchive) != std::string::npos;
    ClearProgressLine();
    err_ << "varnok: " << file << (entry ? " already exists in the archive" : " already exists")
         << ", not replaced (--overwrite replaces it)\n";
    ++failures_;
    return OverwriteAnswer::No;
}

// Started without waiting, as the desktop would; when xdg-open itself can't be
// started the engine reports the file as not opened.
bool ConsoleUi::OpenWithAssociatedProgram(const std::string& path) {
    std::string program = "xdg-open";
    std::string file = path;
    char* argv[] = {program.data(), file.data(), nullptr};
    pid_t pid = 0;
    return ::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) == 0;
}

}  // namespace varnok::cli
