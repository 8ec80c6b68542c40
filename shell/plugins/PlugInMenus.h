#pragma once

#include <QString>
#include <array>
#include <functional>
#include <vector>

#include "shell/plugins/PlugIns.h"

class QAction;
class QMenu;

namespace varnok {

// One of the window's plug-in menus with element 0 of its control array, the
// placeholder of the window's design. Element n is named `name` followed by n.
struct PlugInMenuArray {
    QMenu* menu = nullptr;
    QAction* placeholder = nullptr;
    QString name;  // "mnuFileImportSub", ...
};

// Each menu's control array once filled: element 0 is the placeholder, element n
// plug-in n's entry, and nullptr where plug-in n has none.
using PlugInMenuElements = std::array<std::vector<QAction*>, kPlugInMenuCount>;

// Appends the catalog's entries to the five menus (both arrays are indexed by
// PlugInMenu), visible and enabled, in plug-in number order, and hides the
// placeholder of every menu that got an entry. A click calls `clicked` with the
// menu and the plug-in number.
PlugInMenuElements FillPlugInMenus(const std::array<PlugInMenuArray, kPlugInMenuCount>& arrays,
                                   const PlugInCatalog& catalog, const std::function<void(PlugInMenu, int)>& clicked);

}  // namespace varnok
