// Adding a file under a stored name the archive already holds: the user is asked,
// and a replaced entry keeps its number and name while its payload is rewritten.
#include <algorithm>
#include <limits>
#include <system_error>

#include "engine/ContinueOnFailure.h"
#include "engine/PairCommit.h"
#include "engine/ProgramInfo.h"
#include "engine/TextRules.h"
#include "engine/mVarnokEngine.h"
#include "formats/FormatError.h"
#include "formats/cBAG.h"
#include "formats/cRFD.h"
#include "formats/cRFH.h"
#include "formats/io/ByteReader.h"
#include "platform/Win1252.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

// The replace question of one command, with its "to all" answers.
class ReplaceQuestion {
public:
    explicit ReplaceQuestion(EngineUi& ui) : ui_(ui) {}

    bool Ask(const std::string& storedName) {
        if (all_ != OverwriteAnswer::None) return all_ == OverwriteAnswer::YesToAll;
        const std::string question = "\"" + storedName + "\" already exists in the archive. Do you want to replace it?";
        switch (ui_.AskOverwrite(question, std::string(kFileDescription))) {
            case OverwriteAnswer::Yes: return true;
            case OverwriteAnswer::YesToAll: all_ = OverwriteAnswer::YesToAll; return true;
            case OverwriteAnswer::NoToAll: all_ = OverwriteAnswer::NoToAll; return false;
            case OverwriteAnswer::No:
            case OverwriteAnswer::None: break;  // closing the question replaces nothing
        }
        return false;
    }

private:
    EngineUi& ui_;
    OverwriteAnswer all_ = OverwriteAnswer::None;  // a "to all" answer given
};

// A file an add would really take: readable, not empty, not the archive itself.
bool Addable(const std::string& file) {
    std::error_code ec;
    return fs::is_regular_file(file, ec) && fs::file_size(file, ec) > 2 && !ec;
}

}  // namespace

// The entry a file would replace: one whose stored name (stored path and name for
// an RFH archive, name without extension for a BAG) equals the file's, ASCII
// letters in any case; 0 when it would be a new entry, or can't be added at all
// (its add then says why).
std::int32_t mVarnokEngine::EntryReplacedBy(const std::string& file, const std::string& storedFolder,
                                            const std::map<std::string, std::int32_t>& byName) const {
    if (!Addable(file) || IsArchiveFile(file)) return 0;
    if (isBag_) {
        const auto name = Utf8ToWin1252(fs::path(file).stem().string());
        return name ? bag_->BAGFindFile(*name) : 0;
    }
    const auto name = Utf8ToWin1252(StripPath(file));
    if (!name) return 0;
    const auto found = byName.find(UpperCaseASCII(storedFolder + *name));
    return found == byName.end() ? 0 : found->second;
}

mVarnokEngine::AddPlan mVarnokEngine::PlanAdds(const std::vector<std::string>& files, const std::string& filePath) {
    std::map<std::string, std::int32_t> byName;  // RFH stored names in upper case, first entry of each
    std::string storedFolder;
    if (!isBag_) {
        for (std::int32_t n = 1; n <= fileCount_; ++n) {
            byName.emplace(UpperCaseASCII(rfh_->GetFilePath(n) + rfh_->GetFileName(n)), n);
        }
        try {
            storedFolder = StoredFolderFromText(filePath);
        } catch (const std::exception&) {
            byName.clear();  // the adds refuse the folder themselves
        }
    }
    AddPlan plan;
    ReplaceQuestion question(ui_);
    for (const std::string& file : files) {
        const std::int32_t n = EntryReplacedBy(file, storedFolder, byName);
        if (n == 0) {
            plan.appends.push_back(file);
            continue;
        }
        const ListRow& row = Row(n);
        if (!question.Ask(row[Column::Path] + row[Column::Filename])) continue;
        // Of two files for one entry, the later one is what it holds in the end.
        std::erase_if(plan.replacements, [n](const Replacement& r) { return r.number == n; });
        plan.replacements.push_back({n, file});
    }
    return plan;
}

namespace {

struct PreparedReplacement {
    std::int32_t number;
    RFDPayload payload;
};

bool Overlap(std::int64_t aBegin, std::int64_t aEnd, std::int64_t bBegin, std::int64_t bEnd) {
    return aBegin < bEnd && bBegin < aEnd;
}

}  // namespace

// All replacements in one rewrite of both files, committed together: the data file
// is streamed once with each replaced payload swapped for its new one, and every
// payload after a swap moves by the difference in size, so the files stay back to
// back in the order they were. A payload whose bytes another entry shares keeps
// them, and its new payload goes after the last entry instead.
void mVarnokEngine::ReplaceEntries(EditPermit& permit, const std::vector<Replacement>& replacements,
                                   std::vector<std::string>& failures) {
    std::vector<PreparedReplacement> prepared;
    for (const Replacement& r : replacements) {
        ui_.SetPanel(Panel::Message, "Replacing file: " + StripPath(r.file) + " please wait...");
        try {
            prepared.push_back({r.number, cRFD::RFDPreparePayload(r.file, true)});
        } catch (const std::exception& e) {
            failures.push_back(r.file + ": " + e.what());
        }
        ui_.Yield();
    }
    if (prepared.empty()) return;

    const auto begin = [&](std::int32_t n) { return std::int64_t{rfh_->GetOffSet(n)}; };
    const auto end = [&](std::int32_t n) { return begin(n) + rfh_->GetPackedSize(n); };
    const auto sharedByAnother = [&](std::int32_t n) {
        for (std::int32_t m = 1; m <= fileCount_; ++m) {
            if (m != n && Overlap(begin(n), end(n), begin(m), end(m))) return true;
        }
        return false;
    };
    const std::int32_t next = rfh_->RFHNextOffSet();
    std::vector<RFDSwap> swaps;
    std::vector<std::int32_t> swapped;  // the entry of each swap
    for (const PreparedReplacement& p : prepared) {
        const bool inPlace = !sharedByAnother(p.number);
        swaps.push_back(
            {inPlace ? rfh_->GetOffSet(p.number) : next, inPlace ? rfh_->GetPackedSize(p.number) : 0, &p.payload});
        swapped.push_back(p.number);
    }
    std::vector<std::size_t> order(swaps.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return swaps[a].OffSet < swaps[b].OffSet; });

    // New offsets: a swap's run moves by the growth of the swaps before it; any
    // other payload by the growth of the swaps that end at or before it.
    std::map<std::int32_t, std::int64_t> newOffset;
    std::vector<RFDSwap> sorted;
    std::int64_t growth = 0;
    for (std::size_t i : order) {
        const RFDSwap& s = swaps[i];
        newOffset[swapped[i]] = s.OffSet + growth;
        growth += 4 + static_cast<std::int64_t>(s.Payload->Body.size()) - s.Length;
        sorted.push_back(s);
    }
    const auto shiftOf = [&](std::int64_t offset) {
        std::int64_t shift = 0;
        for (const RFDSwap& s : sorted) {
            if (std::int64_t{s.OffSet} + s.Length > offset) break;
            shift += 4 + static_cast<std::int64_t>(s.Payload->Body.size()) - s.Length;
        }
        return shift;
    };
    const fs::path dataPath = rfd_->RFDFileName();
    try {
        const auto dataSize = static_cast<std::int64_t>(guard_.Files().at(1)->Now().size);
        if (dataSize + growth > std::numeric_limits<std::int32_t>::max()) {
            throw FormatError(FormatErrorKind::Range, "the data file would pass 2 GB");
        }
        permit.Confirm(indexPath_);
        permit.Confirm(dataPath);
        PairCommit(indexPath_, dataPath)
            .Commit([&](ReplacementFile& out) { rfd_->RFDWriteSwapped(sorted, out); },
                    [&](ReplacementFile& stagedIndex) {
                        for (std::int32_t n = 1; n <= fileCount_; ++n) {
                            if (newOffset.count(n) == 0) {
                                rfh_->SetOffSet(n, static_cast<std::int32_t>(begin(n) + shiftOf(begin(n))));
                            }
                        }
                        for (const PreparedReplacement& p : prepared) {
                            rfh_->SetOffSet(p.number, static_cast<std::int32_t>(newOffset[p.number]));
                            rfh_->SetPackedSize(p.number, 4 + p.payload.Length());
                            rfh_->SetOriginalSize(p.number, ByteReader(p.payload.Prefix).i32le());
                            rfh_->SetPacked(p.number, "Yes");
                        }
                        rfh_->RFHSave(stagedIndex);
                    });
    } catch (const std::exception& e) {
        permit.Failed();
        failures.push_back(std::string("the entries could not be replaced, the archive is unchanged: ") + e.what());
        TryStep([&] { ResyncWithDisk(); });
        return;
    }
    for (const PreparedReplacement& p : prepared) {
        rows_[static_cast<std::size_t>(p.number - 1)] = MakeRow(p.number);
        ui_.ListRowChanged(p.number);
    }
    appendedSinceFinish_ += static_cast<int>(prepared.size());
}

}  // namespace varnok
