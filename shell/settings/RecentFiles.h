#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "shell/settings/IniAccess.h"
#include "shell/settings/IniText.h"

namespace varnok {

// One of the File menu's entries Recent1 to Recent4. An entry is in use exactly
// when it is visible; a hidden one may still carry a caption.
struct RecentEntry {
    std::string caption;
    bool visible = false;
};

// The recent archives of the File menu, newest first, and the separator
// mnuFileBar3 below them. The menu is the list: there is no table besides it, and
// the settings file ("RecentFiles", keys "1" to "4") is written only when a new
// path comes in or slot 1 changes its letter case.
class RecentFiles {
public:
    static constexpr int kEntries = 4;

    explicit RecentFiles(std::filesystem::path settingsFile = SettingsFile()) : settings_(std::move(settingsFile)) {}

    // Run once at start-up. Slot 1 and the separator are shown only when key "1"
    // holds a path; slots 2 to 4 take their keys' texts and are shown when these
    // are not empty. The first form reads the settings file; the second takes its
    // values as start-up read them.
    void LoadRecentFiles();
    void LoadRecentFiles(const IniValues& stored);

    // The slot (1 to 4) whose caption equals `path` up to the letter case of a-z,
    // hidden slots included; 0 when none does.
    int FindRecentFile(std::string_view path) const;

    // Puts `path` at the top, after every archive successfully listed.
    void AddRecentFile(std::string_view path);

    // Slot n, 1 to 4 (std::out_of_range otherwise).
    const RecentEntry& entry(int n) const { return entries_.at(Slot(n)); }
    bool separatorVisible() const noexcept { return separatorVisible_; }

    // Called after every load and addition, so the window can bring its menu up to
    // date.
    void setOnChanged(std::function<void()> changed) { changed_ = std::move(changed); }

private:
    static std::size_t Slot(int n);
    void notify() const;

    std::filesystem::path settings_;
    std::array<RecentEntry, kEntries + 1> entries_{};  // [0] unused: the slots count from 1
    bool separatorVisible_ = false;
    std::function<void()> changed_;
};

}  // namespace varnok
