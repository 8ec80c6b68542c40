// Test Archive: every entry read as extraction reads it, with nothing written.
#include "engine/Cancelling.h"
#include "engine/PayloadCheck.h"
#include "engine/mVarnokEngine.h"
#include "formats/cBAG.h"
#include "formats/cRFD.h"
#include "formats/cRFH.h"

namespace varnok {

namespace {

std::string EntriesText(std::int64_t count) { return std::to_string(count) + (count == 1 ? " entry" : " entries"); }

}  // namespace

void mVarnokEngine::TestArchive() {
    if (archivePath_.empty() || fileCount_ == 0) return;
    if (RefuseWithoutPayloads()) return;
    ui_.SetPanel(Panel::Message, "Testing archive...");
    ui_.ShowProgress();
    ui_.DisableInterface();
    std::int32_t checked = 0;
    bool cancelled = false;
    const CheckProgress progress = [&](std::int32_t n) {
        checked = n;
        ui_.UpdateProgress(n, fileCount_);
        ui_.Yield();
        cancelled = ui_.CancelRequested();
        return !cancelled;
    };
    std::vector<DamagedEntry> damaged;
    std::string failure;
    try {
        damaged = isBag_ ? CheckBagRecords(*bag_, indexPath_, progress)
                         : CheckRfhPayloads(*rfh_, rfd_->RFDFileName(), progress);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    ui_.EnableInterface();
    ui_.HideProgress();
    if (!failure.empty()) {
        ui_.SetPanel(Panel::Message, "The archive could not be tested.");
        Report("The archive could not be tested: " + failure);
        return;
    }
    if (cancelled) {
        ui_.SetPanel(Panel::Message, CancelledText(checked, fileCount_, "entries tested"));
    } else if (damaged.empty()) {
        ui_.SetPanel(Panel::Message,
                     fileCount_ == 1 ? "The entry is intact." : "All " + EntriesText(fileCount_) + " are intact.");
    } else {
        ui_.SetPanel(Panel::Message, std::to_string(damaged.size()) + " of " + EntriesText(fileCount_) +
                                         (damaged.size() == 1 ? " is damaged." : " are damaged."));
    }
    std::vector<std::string> lines;
    for (const DamagedEntry& d : damaged) lines.push_back(d.why);
    ReportFailures("These entries are damaged:", lines);
}

}  // namespace varnok
