#include "shell/plugins/PlugInMenus.h"

#include <QAction>
#include <QMenu>

namespace varnok {

PlugInMenuElements FillPlugInMenus(const std::array<PlugInMenuArray, kPlugInMenuCount>& arrays,
                                   const PlugInCatalog& catalog, const std::function<void(PlugInMenu, int)>& clicked) {
    PlugInMenuElements elements;
    for (std::size_t m = 0; m < kPlugInMenuCount; ++m) {
        const PlugInMenuArray& array = arrays[m];
        const auto menu = static_cast<PlugInMenu>(m);
        std::vector<QAction*>& controls = elements[m];
        controls.push_back(array.placeholder);
        if (!array.menu) continue;
        for (const PlugInMenuEntry& entry : catalog.entries(menu)) {
            QAction* action = array.menu->addAction(QString::fromStdString(entry.caption));
            action->setObjectName(array.name + QString::number(entry.number));
            QObject::connect(action, &QAction::triggered, action,
                             [clicked, menu, number = entry.number] { clicked(menu, number); });
            if (controls.size() <= static_cast<std::size_t>(entry.number)) {
                controls.resize(static_cast<std::size_t>(entry.number) + 1, nullptr);
            }
            controls[static_cast<std::size_t>(entry.number)] = action;
        }
        if (controls.size() > 1 && array.placeholder) array.placeholder->setVisible(false);
    }
    return elements;
}

}  // namespace varnok
