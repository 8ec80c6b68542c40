#include "shell/plugins/PlugIns.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include "engine/ContinueOnFailure.h"
#include "engine/TextRules.h"
#include "platform/Folders.h"
#include "platform/Process.h"
#include "shell/plugins/PlugInText.h"
#include "shell/settings/IniAccess.h"

namespace varnok {
namespace fs = std::filesystem;

namespace {

constexpr const char* kDescription = "plugin.ini";
constexpr const char* kProgram = "plugin.exe";
// Every start replaces these three; other files an earlier run left stay.
constexpr const char* kKnownFiles[] = {"plugin.ini", "plugin.exe", "plugin.dll"};
// The plug-ins whose open-with type the engine keeps.
constexpr int kTypeSlots = 50;

bool IsPackageName(const std::string& name) {
    return name.size() >= 4 && UpperCaseASCII(std::string_view(name).substr(name.size() - 4)) == ".PGI";
}

// The packages in `folder`, in the order of their names without regard to the
// letter case of a-z.
std::vector<fs::path> ListPackages(const fs::path& folder) {
    std::vector<std::pair<std::string, fs::path>> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        const std::string name = it->path().filename().string();
        if (it->is_regular_file(ignored) && IsPackageName(name)) found.emplace_back(UpperCaseASCII(name), it->path());
    }
    std::sort(found.begin(), found.end());
    std::vector<fs::path> packages;
    for (auto& [key, path] : found) packages.push_back(std::move(path));
    return packages;
}

// A package keeps no file modes, so a native program comes out of it without its
// run bit. It gets one for each class of user that may read it.
void MakeRunnable(const fs::path& program) {
    std::error_code ec;
    if (!fs::is_regular_file(program, ec) || IsWindowsExecutable(program)) return;
    const fs::perms mode = fs::status(program, ec).permissions();
    if (ec) return;
    const auto has = [mode](fs::perms bit) { return (mode & bit) != fs::perms::none; };
    fs::perms run = fs::perms::none;
    if (has(fs::perms::owner_read)) run |= fs::perms::owner_exec;
    if (has(fs::perms::group_read)) run |= fs::perms::group_exec;
    if (has(fs::perms::others_read)) run |= fs::perms::others_exec;
    fs::permissions(program, run, fs::perm_options::add, ec);
}

// Deletes the files directly in a disabled plug-in's folder, then the folder,
// which stays when something else is left in it.
void RemoveUnpackFolder(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(folder, ec))) return;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        if (it->is_symlink(ignored) || !it->is_directory(ignored)) files.push_back(it->path());
    }
    for (const fs::path& file : files) fs::remove(file, ec);
    fs::remove(folder, ec);
}

}  // namespace

std::string_view PlugInSection(PlugInMenu menu) noexcept {
    switch (menu) {
        case PlugInMenu::Import: return "Import";
        case PlugInMenu::Export: return "Export";
        case PlugInMenu::OpenWith: return "Open";
        case PlugInMenu::PlugIns: return "PlugInM";
        case PlugInMenu::About: return "About";
    }
    return {};
}

bool StartPlugInProgram(const fs::path& program, const std::vector<std::string>& args, const fs::path& workingDir) {
    return static_cast<bool>(StartDetached(program, args, workingDir));
}

PlugInHost::PlugInHost(PlugInLauncher launch, fs::path plugInFolder)
    : launch_(std::move(launch)), folder_(std::move(plugInFolder)) {}

fs::path PlugInHost::DefaultPlugInFolder() { return PlugInWorkFolder(); }

fs::path PlugInHost::UnpackFolder(int number) const { return folder_ / std::to_string(number); }

std::string PlugInHost::Read(int number, std::string_view section, std::string_view key) const {
    return DescriptionText(INIAccess(UnpackFolder(number) / kDescription, "GET", section, key, std::nullopt, ""));
}

PlugInCatalog PlugInHost::DiscoverPlugIns(const fs::path& programFolder) {
    PlugInCatalog catalog;
    const fs::path packageFolder = programFolder / "plugins";
    if (!FileExists(packageFolder.string())) return catalog;
    const std::vector<fs::path> packages = ListPackages(packageFolder);
    if (packages.empty()) return catalog;
    std::error_code ec;
    fs::create_directories(folder_, ec);
    ContinueOnFailure sequence;
    for (std::size_t i = 0; i < packages.size(); ++i) {
        sequence.step([&] { UnpackPackage(packages[i], static_cast<int>(i + 1), catalog); });
    }
    return catalog;
}

void PlugInHost::UnpackPackage(const fs::path& package, int number, PlugInCatalog& catalog) {
    // Anything else, a file that is no package among them, is not a plug-in.
    if (PackageReader.MPKGetFileName(package, 1) != kDescription) return;
    const fs::path folder = UnpackFolder(number);
    std::error_code ec;
    fs::create_directories(folder, ec);
    for (const char* known : kKnownFiles) fs::remove(folder / known, ec);
    // A package that unpacks only partly goes on with the files it wrote.
    PackageReader.MPKExtractAll(package, folder);
    if (Read(number, "PlugIn", "Load") != "1") {
        RemoveUnpackFolder(folder);
        return;
    }
    MakeRunnable(folder / kProgram);
    if (Read(number, "Startup", "Load") == "1") RunPlugIn(number, Read(number, "Startup", "Command"));
    for (PlugInMenu menu :
         {PlugInMenu::Export, PlugInMenu::Import, PlugInMenu::OpenWith, PlugInMenu::About, PlugInMenu::PlugIns}) {
        const std::string_view section = PlugInSection(menu);
        if (Read(number, section, "Load") != "1") continue;
        // About Plug-In lists the plug-in under its own name.
        const std::string caption =
            menu == PlugInMenu::About ? Read(number, "PlugIn", "Name") : Read(number, section, "Name");
        catalog.entries(menu).push_back({number, caption});
        if (menu == PlugInMenu::OpenWith && number <= kTypeSlots) {
            catalog.types[static_cast<std::size_t>(number)] = Read(number, section, "Type");
        }
    }
}

bool PlugInHost::RunMenuEntry(PlugInMenu menu, int number) const {
    if (menu == PlugInMenu::OpenWith || number < 1) return false;  // open-with needs a file: RunOpenWith
    return RunPlugIn(number, Read(number, PlugInSection(menu), "Command"));
}

bool PlugInHost::RunOpenWith(int number, const std::function<std::string()>& extractFocused) const {
    if (number < 1) return false;
    const std::string command = Read(number, "Open", "Command");
    const std::string file = extractFocused ? extractFocused() : std::string();
    // The extraction has told the user why it wrote nothing.
    if (file.empty()) return false;
    return RunPlugIn(number, command, {file});
}

bool PlugInHost::RunPlugIn(int number, std::string_view command, const std::vector<std::string>& extraArgs) const {
    if (number < 1 || !launch_) return false;
    const fs::path folder = UnpackFolder(number);
    const fs::path program = folder / kProgram;
    std::error_code ec;
    if (!fs::is_regular_file(program, ec)) return false;
    std::vector<std::string> args = SplitCommand(command);
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    bool started = false;
    TryStep([&] { started = launch_(program, args, folder); });
    return started;
}

}  // namespace varnok
