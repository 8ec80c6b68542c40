#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "shell/settings/IniAccess.h"
#include "shell/settings/IniText.h"

namespace varnok {

// The question put at the first start on a machine that still has the settings of
// Varnok 1.xx. It is shown with Yes and No, the information icon and the
// application title.
inline constexpr std::string_view kImportQuestion =
    "This is the first time your runned Varnok 2 on this system, and the old settings of Varnok 1.xx has "
    "detected\r\nDo you want to import the Varnok 1.xx settings to Varnok 2?";

// When <WindowsDir>/varnok2.ini is missing and <WindowsDir>/trevlan.ini exists,
// asks `askYesNo` kImportQuestion and on Yes copies trevlan.ini into place as
// varnok2.ini, unchanged. Returns whether it asked. A failed copy raises
// FormatError and leaves no partial settings file.
bool OfferSettingsImport(const std::function<bool(const std::string& question)>& askYesNo);

// Section "Version": "Version" = "2.00", "Number" = "200", "Build" = the build
// number, in that order. Written at every start. Gives every value of the file as
// it then stands (also when the stamp could not be written), so that start-up
// reads the rest of its settings without reading the file again.
IniValues StampVersion(const std::filesystem::path& settingsFile = SettingsFile());

}  // namespace varnok
