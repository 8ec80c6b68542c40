#include "shell/settings/FirstStart.h"

#include <optional>

#include "engine/ContinueOnFailure.h"
#include "engine/ProgramInfo.h"
#include "formats/io/File.h"
#include "platform/Folders.h"
#include "shell/settings/IniFile.h"

namespace varnok {
namespace fs = std::filesystem;

bool OfferSettingsImport(const std::function<bool(const std::string& question)>& askYesNo) {
    // The settings of a Windows machine may have been copied over with names in
    // capitals.
    const fs::path windows(WindowsDir());
    const fs::path current = ResolveNameCase(windows / "varnok2.ini");
    const fs::path old = ResolveNameCase(windows / "trevlan.ini");
    if (FileExists(current.string()) || !FileExists(old.string())) return false;
    if (askYesNo(std::string(kImportQuestion))) WriteFileAtomically(current, ReadWholeFile(old));
    return true;
}

IniValues StampVersion(const fs::path& settingsFile) {
    const IniFile file(settingsFile);
    const auto stamp = [](IniText& text) {
        text.set("Version", "Version", "2.00");
        text.set("Version", "Number", "200");
        text.set("Version", "Build", std::to_string(kBuildNumber));
    };
    std::optional<IniText> stamped;
    TryStep([&] { stamped = file.update(stamp); });
    // A file that could not be written is still read as it is.
    if (!stamped) TryStep([&] { stamped = file.load(); });
    return stamped ? IniValues(*stamped) : IniValues();
}

}  // namespace varnok
