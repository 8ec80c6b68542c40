// How the engine tells the user that something could not be done.
#include "engine/ProgramInfo.h"
#include "engine/mVarnokEngine.h"
#include "formats/cRFD.h"
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

// An RFH archive whose data file is missing or can't be told from its case twin
// is listed, but has no payloads to read: one message says so, instead of one
// failure per entry.
bool mVarnokEngine::RefuseWithoutPayloads() {
    if (isBag_ || archivePath_.empty() || guard_.Files().size() >= 2) return false;
    Report(readOnlyReason_.empty() ? "The data file of this archive can't be read." : readOnlyReason_,
           MessageIcon::Exclamation);
    return true;
}

bool mVarnokEngine::RefuseEdit() {
    if (userReadOnly_ && !readOnly_) {
        Report("This archive is open read-only. Untick \"Read Only\" to change it.", MessageIcon::Exclamation);
        return true;
    }
    if (!readOnly_) return false;
    if (!readOnlyReason_.empty()) {
        Report(readOnlyReason_, MessageIcon::Exclamation);
        return true;
    }
    if (!isBag_ && rfh_->RFHDamagedAt()) {
        Report("The index of this archive is damaged at offset " + std::to_string(*rfh_->RFHDamagedAt()) +
                   ". Only the entries before the damage are listed, so it is opened read-only: saving it "
                   "would lose the rest of its table.",
               MessageIcon::Exclamation);
        return true;
    }
    if (!isBag_ && !rfh_->RFHTruncated()) {
        Report(
            "The index of this archive could not be read, so it is opened read-only: saving it would lose "
            "its table.",
            MessageIcon::Exclamation);
        return true;
    }
    Report("This archive holds more than " + std::to_string(kMaxEntries) + " entries. Only the first " +
               std::to_string(kMaxEntries) +
               " are listed, so it is opened read-only: saving it would lose the rest of its table.",
           MessageIcon::Exclamation);
    return true;
}

std::optional<EditPermit> mVarnokEngine::AdmitEdit(bool overwritesUnused) {
    if (RefuseEdit()) return std::nullopt;
    // A failed edit may have left the table in memory other than the files: they
    // are read again before anything else is written from it.
    if (guard_.Stale()) {
        const std::string path = archivePath_;
        RefreshArchive();
        Report("The last change of \"" + path +
               "\" did not complete, so its list has been read again and nothing was changed: check it, then try "
               "again.");
        return std::nullopt;
    }
    std::uint64_t dataNeeds = 0;
    if (!isBag_) {
        try {
            dataNeeds = static_cast<std::uint64_t>(rfh_->RFHNextOffSet());
        } catch (const std::exception& e) {
            Report(std::string("The archive can't be changed: ") + e.what(), MessageIcon::Critical);
            return std::nullopt;
        }
    }
    EditGuard::Verdict verdict = guard_.Admit(dataNeeds);
    if (verdict.changedOutside) {
        const std::string path = archivePath_;
        RefreshArchive();
        archiveReread_ = true;
        if (replanOnChange_) return std::nullopt;  // the caller plans its edit again on the new list
        Report("The archive \"" + path +
               "\" was changed by another program since it was opened. Its list has been read again and "
               "nothing was changed: check it, then try again.");
        return std::nullopt;
    }
    if (!verdict.permit) {
        Report(verdict.refusal, MessageIcon::Critical);
        return std::nullopt;
    }
    if (overwritesUnused && verdict.unaccountedBytes > 0) {
        const std::string question =
            "The data file \"" + rfd_->RFDFileName().string() + "\" holds " + std::to_string(verdict.unaccountedBytes) +
            " bytes after its last entry that no entry of the index uses; another program may have put them "
            "there. Adding files writes over them and they are lost.\n\nDo you want to write over them?";
        if (ui_.ShowMessage(question, kFileDescription, MessageIcon::Exclamation, MessageButtons::YesNoDefaultNo) !=
            MessageAnswer::Yes) {
            ++problems_;
            ui_.SetPanel(Panel::Message, "Nothing was added.");
            return std::nullopt;
        }
    }
    return std::move(verdict.permit);
}

}  // namespace varnok
