// How the engine tells the user that something could not be done.
#include "engine/ProgramInfo.h"
#include "engine/mVarnokEngine.h"
#include "formats/cRFH.h"

namespace varnok {

namespace {
constexpr std::size_t kMaxListedFailures = 20;
}

void mVarnokEngine::Report(const std::string& text, MessageIcon icon, const std::string& title) {
    ++problems_;
    ui_.ShowMessage(text, title.empty() ? std::string(kFileDescription) : title, icon, MessageButtons::Ok);
}

void mVarnokEngine::ReportFailures(const std::string& heading, const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    std::string text = heading + "\n";
    for (std::size_t i = 0; i < lines.size() && i < kMaxListedFailures; ++i) text += "\n" + lines[i];
    if (lines.size() > kMaxListedFailures) {
        text += "\n... and " + std::to_string(lines.size() - kMaxListedFailures) + " more.";
    }
    problems_ += static_cast<int>(lines.size()) - 1;
    Report(text, MessageIcon::Exclamation);
}

bool mVarnokEngine::RefuseEdit() {
    if (userReadOnly_ && !readOnly_) {
        Report("This archive is open read-only. Untick \"Read Only\" to change it.", MessageIcon::Exclamation);
        return true;
    }
    if (!readOnly_) return false;
    if (!isBag_ && rfh_->RFHDamagedAt()) {
        Report("The index of this archive is damaged at offset " + std::to_string(*rfh_->RFHDamagedAt()) +
                   ". Only the entries before the damage are listed, so it is opened read-only: saving it "
                   "would lose the rest of its table.",
               MessageIcon::Exclamation);
        return true;
    }
    Report("This archive holds more than " + std::to_string(kMaxEntries) +
               " entries. Only the first " + std::to_string(kMaxEntries) +
               " are listed, so it is opened read-only: saving it would lose the rest of its table.",
           MessageIcon::Exclamation);
    return true;
}

}  // namespace varnok
