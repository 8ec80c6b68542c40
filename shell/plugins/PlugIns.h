#pragma once

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/cMPK.h"

namespace varnok {

// The five menus a plug-in can add an entry to, each with the section of
// "plugin.ini" that describes the entry.
enum class PlugInMenu { Import, Export, OpenWith, PlugIns, About };
inline constexpr std::size_t kPlugInMenuCount = 5;

// "Import", "Export", "Open", "PlugInM" or "About".
std::string_view PlugInSection(PlugInMenu menu) noexcept;

// One entry of a plug-in menu: element `number` of its menu's control array.
struct PlugInMenuEntry {
    int number = 0;
    std::string caption;  // UTF-8
    bool operator==(const PlugInMenuEntry&) const = default;
};

// What start-up discovery found.
struct PlugInCatalog {
    // The entries of each menu, in plug-in number order; numbers can have gaps.
    std::array<std::vector<PlugInMenuEntry>, kPlugInMenuCount> menus;
    // Slot n (1 to 50): the file-name ending plug-in n opens, empty when it has no
    // open-with entry. Plug-ins above 50 have no slot. The engine's PlugInTypes().
    std::array<std::string, 51> types;

    const std::vector<PlugInMenuEntry>& entries(PlugInMenu menu) const { return menus[static_cast<std::size_t>(menu)]; }
    std::vector<PlugInMenuEntry>& entries(PlugInMenu menu) { return menus[static_cast<std::size_t>(menu)]; }
};

// Starts `program` with exactly these arguments (argv[1]...) in `workingDir` and
// returns at once, without waiting for it; a Windows executable runs through
// wine. False when it could not be started. Never goes through a shell.
using PlugInLauncher = std::function<bool(const std::filesystem::path& program, const std::vector<std::string>& args,
                                          const std::filesystem::path& workingDir)>;

// The launcher of the program: a detached process of its own (platform/Process.h).
bool StartPlugInProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                        const std::filesystem::path& workingDir);

// The plug-ins of this run: the packages found at start-up, unpacked into numbered
// folders of the plug-in folder, and the programs they carry started on request.
// A plug-in program is never loaded into this process and never waited for.
class PlugInHost {
public:
    explicit PlugInHost(PlugInLauncher launch, std::filesystem::path plugInFolder = DefaultPlugInFolder());

    static std::filesystem::path DefaultPlugInFolder();  // <WindowsDir>/Temp/VNK

    const std::filesystem::path& PlugInFolder() const noexcept { return folder_; }
    std::filesystem::path UnpackFolder(int number) const;  // <PlugInFolder>/<number>

    // Unpacks every "*.pgi" package of <programFolder>/plugins whose first entry is
    // "plugin.ini", in the order of their names without regard to letter case,
    // numbering them 1, 2, ... (a skipped package keeps its number). Starts the
    // plug-ins that ask to run at start-up and returns their menu entries. A
    // disabled plug-in's folder is removed again. Nothing fails: a package that
    // cannot be read or unpacked, or a program that cannot start, is passed over.
    PlugInCatalog DiscoverPlugIns(const std::filesystem::path& programFolder);

    // A click on entry n of Import, Export, Plug-Ins or About Plug-In: runs plug-in
    // n with the "Command" of that menu's section, read now.
    bool RunMenuEntry(PlugInMenu menu, int number) const;

    // A click on open-with entry n: reads the "Open" command, then calls
    // `extractFocused` (the engine's ViewFileWith) and runs plug-in n with the
    // command's arguments followed by the path it returns, as one argument.
    // Nothing is started when it returns no path.
    bool RunOpenWith(int number, const std::function<std::string()>& extractFocused) const;

    // Runs <UnpackFolder(n)>/plugin.exe with `command` split at blanks, followed by
    // `extraArgs` as they are, in its unpack folder. False when it is missing or
    // does not start.
    bool RunPlugIn(int number, std::string_view command, const std::vector<std::string>& extraArgs = {}) const;

private:
    void UnpackPackage(const std::filesystem::path& package, int number, PlugInCatalog& catalog);
    std::string Read(int number, std::string_view section, std::string_view key) const;

    PlugInLauncher launch_;
    std::filesystem::path folder_;
    cMPK PackageReader;
};

}  // namespace varnok
