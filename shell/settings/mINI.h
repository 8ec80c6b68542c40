#pragma once

// The settings module: the INI store behind INIAccess, the recent files of the
// File menu, the favourites, and the steps start-up takes on the settings file.
#include "shell/settings/Favorites.h"
#include "shell/settings/FirstStart.h"
#include "shell/settings/IniAccess.h"
#include "shell/settings/RecentFiles.h"
