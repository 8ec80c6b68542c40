#include "shell/settings/FirstStart.h"

#include "engine/ProgramInfo.h"
#include "formats/io/File.h"
#include "platform/Folders.h"

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

void StampVersion(const fs::path& settingsFile) {
    INIWriteKeys(settingsFile, "Version",
                 {{"Version", "2.00"}, {"Number", "200"}, {"Build", std::to_string(kBuildNumber)}});
}

}  // namespace varnok
