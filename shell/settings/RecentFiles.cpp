#include "shell/settings/RecentFiles.h"

#include <algorithm>
#include <stdexcept>

#include "engine/ContinueOnFailure.h"
#include "engine/TextRules.h"
#include "shell/settings/IniFile.h"

namespace varnok {

namespace {
constexpr const char* kSection = "RecentFiles";
}

std::size_t RecentFiles::Slot(int n) {
    if (n < 1 || n > kEntries) throw std::out_of_range("recent-file slots are 1 to 4");
    return static_cast<std::size_t>(n);
}

void RecentFiles::notify() const {
    if (changed_) changed_();
}

void RecentFiles::LoadRecentFiles() {
    IniText text;
    TryStep([&] { text = IniFile(settings_).load(); });
    LoadRecentFiles(IniValues(text));
}

void RecentFiles::LoadRecentFiles(const IniValues& stored) {
    const auto read = [&](int n) { return stored.get(kSection, std::to_string(n), ""); };
    if (std::string first = read(1); !first.empty()) {
        separatorVisible_ = true;
        entries_[1] = {std::move(first), true};
    }
    for (int n = 2; n <= kEntries; ++n) entries_[Slot(n)].caption = read(n);
    for (int n = 2; n <= kEntries; ++n) {
        if (!entries_[Slot(n)].caption.empty()) entries_[Slot(n)].visible = true;
    }
    notify();
}

int RecentFiles::FindRecentFile(std::string_view path) const {
    const std::string wanted = UpperCaseASCII(path);
    for (int n = 1; n <= kEntries; ++n) {
        if (UpperCaseASCII(entries_[Slot(n)].caption) == wanted) return n;
    }
    return 0;
}

void RecentFiles::AddRecentFile(std::string_view path) {
    const int found = FindRecentFile(path);
    if (found >= 2) {
        // Moved up in the menu only; the file keeps the old order until a new path
        // is written.
        for (int n = found; n >= 2; --n) entries_[Slot(n)].caption = entries_[Slot(n - 1)].caption;
        entries_[1].caption = path;
        notify();
        return;
    }

    if (found == 0) {
        // Shift down below the lowest slot in use; the slot that receives the shift
        // comes into use unless the list was full, when the fourth path is dropped.
        int lastVisible = 0;
        for (int n = kEntries; n >= 1 && lastVisible == 0; --n) {
            if (entries_[Slot(n)].visible) lastVisible = n;
        }
        const int receiving = std::min(lastVisible + 1, kEntries);
        for (int n = receiving; n >= 2; --n) entries_[Slot(n)].caption = entries_[Slot(n - 1)].caption;
        entries_[1].caption = path;
        if (lastVisible < kEntries) entries_[Slot(receiving)].visible = true;
        if (lastVisible == 0) separatorVisible_ = true;
    } else {
        // Slot 1 again, perhaps in another letter case: the new form wins.
        entries_[1] = {std::string(path), true};
        separatorVisible_ = true;
    }

    IniKeyValues keys;
    for (int n = 1; n <= kEntries; ++n) keys.emplace_back(std::to_string(n), entries_[Slot(n)].caption);
    INIWriteKeys(settings_, kSection, keys);
    notify();
}

}  // namespace varnok
