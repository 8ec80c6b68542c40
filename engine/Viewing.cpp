// Viewing entries: extracted into the view folder and opened in their programs.
#include "engine/Cancelling.h"
#include "engine/ExtractionTarget.h"
#include "engine/mVarnokEngine.h"
#include "platform/Folders.h"
#include "platform/Win1252.h"

namespace varnok {
namespace fs = std::filesystem;

void mVarnokEngine::ViewFile() {
    ui_.ShowProgress();
    ui_.SetPanel(Panel::Message, "Extracting file...");
    ui_.DisableInterface();
    ui_.Yield();
    const fs::path folder = ViewFolder();
    std::vector<std::string> failures;
    std::int32_t done = 0;
    bool cancelled = false;
    for (std::int32_t i = 1; i <= fileCount_ && i <= RowCount() && !cancelled; ++i) {
        const bool selected = ui_.IsRowSelected(i);
        if (selected) {
            ++done;
            const fs::path target = TargetIn(folder, i, false, failures);
            if (!target.empty() && ExtractTo(i, target, failures) && !ui_.OpenWithAssociatedProgram(target.string())) {
                failures.push_back(Win1252ToUtf8(EntryFileName(i)) + ": no program could be started to open it");
            }
        }
        ui_.UpdateProgress(done, selectedCount_);
        ui_.Yield();
        cancelled = selected && ui_.CancelRequested();
    }
    ui_.EnableInterface();
    ui_.HideProgress();
    UpdateSelection();
    if (cancelled) ui_.SetPanel(Panel::Message, CancelledText(done, selectedCount_, "files viewed"));
    ui_.Yield();
    ReportFailures("These files could not be viewed:", failures);
}

std::string mVarnokEngine::ViewFileWith() {
    ui_.ShowProgress();
    ui_.SetPanel(Panel::Message, "Extracting file...");
    ui_.DisableInterface();
    ui_.Yield();
    const int n = ui_.FocusedRow();
    std::vector<std::string> failures;
    fs::path target;
    if (n >= 1 && n <= fileCount_ && n <= RowCount()) {
        target = TargetIn(ViewFolder(), n, false, failures);
        if (!target.empty() && !ExtractTo(n, target, failures)) target.clear();
    }
    ui_.HideProgress();
    UpdateSelection();
    ui_.Yield();
    ui_.EnableInterface();
    ReportFailures("The file could not be extracted:", failures);
    return target.string();
}

}  // namespace varnok
