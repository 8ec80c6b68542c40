// Changing a BAG archive: every command writes the whole new file beside the old
// one and renames it over it, once per command.
#include <stdexcept>
#include <system_error>

#include "engine/TextRules.h"
#include "engine/mVarnokEngine.h"
#include "formats/cBAG.h"
#include "platform/Win1252.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

// What one file of an add becomes, or nothing with the reason in `why`.
std::optional<BAGChange> BagChangeFor(const std::string& file, std::int32_t replaces, bool adpcm, std::string& why) {
    std::error_code ec;
    const auto length = fs::file_size(file, ec);
    if (ec || !fs::is_regular_file(file, ec)) {
        why = "it is not a file that can be read";
        return std::nullopt;
    }
    if (length <= 2) {
        why = kSmallFileRule;
        return std::nullopt;
    }
    BAGChange change;
    change.replaces = replaces;
    try {
        if (replaces == 0) {
            const auto name = Utf8ToWin1252(fs::path(file).stem().string());
            if (!name) {
                why = "its name has characters an archive cannot store";
                return std::nullopt;
            }
            cBAG::BAGCheckName(*name);
            if (const std::string refusal = RefusalOfName(*name); !refusal.empty()) {
                why = "its name can't be given to an entry: " + refusal;
                return std::nullopt;
            }
            change.name = *name;
        }
        change.sound = cBAG::BAGReadSound(file, adpcm);
    } catch (const std::exception& e) {
        why = e.what();
        return std::nullopt;
    }
    return change;
}

}  // namespace

// Returns how many records were added or replaced.
int mVarnokEngine::AddToBag(EditPermit& permit, const AddPlan& plan, std::vector<std::string>& failures) {
    std::vector<BAGChange> changes;
    std::vector<std::int32_t> replaced;
    const auto total = static_cast<std::int64_t>(plan.replacements.size() + plan.appends.size());
    std::int64_t done = 0;
    const auto prepare = [&](const std::string& file, std::int32_t replaces) {
        ui_.SetPanel(Panel::Message, "Adding file: " + StripPath(file) + " please wait...");
        std::string why;
        if (IsArchiveFile(file)) {
            failures.push_back(file + ": it is a file of this archive itself, so it was not added");
        } else if (std::optional<BAGChange> change = BagChangeFor(file, replaces, addAsAdpcm_, why)) {
            changes.push_back(std::move(*change));
            if (replaces != 0) replaced.push_back(replaces);
        } else {
            failures.push_back(file + ": " + why);
        }
        ui_.UpdateProgress(++done, total);
        ui_.Yield();
    };
    for (const Replacement& r : plan.replacements) prepare(r.file, r.number);
    for (const std::string& file : plan.appends) prepare(file, 0);
    if (changes.empty()) return 0;

    const std::int32_t first = [&] {
        try {
            permit.Confirm(indexPath_);
            return bag_->BAGApplyChanges(std::move(changes));
        } catch (const std::exception& e) {
            permit.Failed();
            failures.push_back(std::string("the archive could not be written, so nothing was added: ") + e.what());
            return 0;
        }
    }();
    if (first == 0) return 0;
    for (std::int32_t n : replaced) {
        rows_[static_cast<std::size_t>(n - 1)] = MakeRow(n);
        ui_.ListRowChanged(n);
    }
    const std::int32_t count = bag_->BAGGetFileCount();
    for (std::int32_t n = first; n <= count; ++n) rows_.push_back(MakeRow(n));
    if (count >= first) ui_.ListRowsAppended(first, count - first + 1);
    fileCount_ = count;
    ui_.SetPanel(Panel::Count, std::to_string(fileCount_) + " Files");
    appendedSinceFinish_ += static_cast<int>(replaced.size()) + (count - first + 1);
    return static_cast<int>(replaced.size()) + (count - first + 1);
}

bool mVarnokEngine::RemoveBagEntries(EditPermit& permit, const std::vector<std::int32_t>& numbers) {
    try {
        permit.Confirm(indexPath_);
        bag_->BAGRemoveFiles(numbers);
        return true;
    } catch (const std::exception& e) {
        permit.Failed();
        Report(std::string("The files could not be removed; the archive is unchanged.\n\n") + e.what());
        return false;
    }
}

// The list shows a record's name with the extension of its kind; typed with that
// extension, the new name is stored without it.
void mVarnokEngine::RenameBagEntry(std::int32_t n, const std::string& newName) {
    const auto typed = Utf8ToWin1252(newName);
    if (!typed) {
        Report("The name \"" + newName + "\" has characters an archive cannot store.");
        return;
    }
    const std::string converted = bag_->BAGGetConvertedName(n);
    const std::string current = converted.substr(0, converted.size() - 4);  // without ".wav"
    const std::string extension = UpperCaseASCII(bag_->BAGGetFileName(n).substr(current.size()));
    std::string name = *typed;
    if (!extension.empty() && name.size() > extension.size() &&
        UpperCaseASCII(name.substr(name.size() - extension.size())) == extension) {
        name.resize(name.size() - extension.size());
    }
    try {
        cBAG::BAGCheckName(name);
        if (const std::string refusal = RefusalOfName(name); !refusal.empty()) throw std::invalid_argument(refusal);
    } catch (const std::exception& e) {
        Report("The name \"" + newName + "\" can't be given to an entry: " + e.what() + ".");
        return;
    }
    if (const std::int32_t other = bag_->BAGFindFile(name); other != 0 && other != n) {
        Report(NameTakenMessage(other, Win1252ToUtf8(bag_->BAGGetFileName(other))));
        return;
    }
    std::optional<EditPermit> permit = AdmitEdit(false);
    if (!permit) return;
    try {
        permit->Confirm(indexPath_);
        bag_->BAGRenameFile(n, name);
    } catch (const std::exception& e) {
        permit->Failed();
        Report(std::string("The entry could not be renamed; the archive is unchanged.\n\n") + e.what());
        return;
    }
    rows_[static_cast<std::size_t>(n - 1)] = MakeRow(n);
    ui_.ListRowChanged(n);
}

}  // namespace varnok
