// The plug-ins' part of the main window: their five menus and the clicks on them.
#include <QMenu>

#include "engine/ProgramInfo.h"
#include "shell/frmMain.h"
#include "shell/plugins/PlugInMenus.h"

namespace varnok {

void frmMain::DiscoverPlugIns() {
    const PlugInCatalog catalog = plugIns_.DiscoverPlugIns(programFolder_);
    engine_.PlugInTypes() = catalog.types;
    const PlugInMenuElements elements =
        FillPlugInMenus({{
                            {mnuFileImport, mnuFileImportSub[0], QStringLiteral("mnuFileImportSub")},
                            {mnuFileExport, mnuFileExportSub[0], QStringLiteral("mnuFileExportSub")},
                            {mnuActionViewWith, mnuActionViewWithSub[0], QStringLiteral("mnuActionViewWithSub")},
                            {mnuPlugIns, mnuPlugInsSub[0], QStringLiteral("mnuPlugInsSub")},
                            {mnuHelpAboutPlugins, mnuHelpAboutPluginsSub[0], QStringLiteral("mnuHelpAboutPluginsSub")},
                        }},
                        catalog, [this](PlugInMenu menu, int number) { PlugInClicked(menu, number); });
    const auto array = [&](PlugInMenu menu) { return elements[static_cast<std::size_t>(menu)]; };
    mnuFileImportSub = array(PlugInMenu::Import);
    mnuFileExportSub = array(PlugInMenu::Export);
    mnuActionViewWithSub = array(PlugInMenu::OpenWith);
    mnuPlugInsSub = array(PlugInMenu::PlugIns);
    mnuHelpAboutPluginsSub = array(PlugInMenu::About);
}

void frmMain::PlugInClicked(PlugInMenu menu, int number) {
    bool started = false;
    bool attempted = true;
    std::string viewed;
    if (menu == PlugInMenu::OpenWith) {
        HideLogo();
        started = plugIns_.RunOpenWith(number, [&] { return viewed = engine_.ViewFileWith(); });
        // An entry that could not be extracted has been reported already.
        attempted = !viewed.empty();
    } else {
        started = plugIns_.RunMenuEntry(menu, number);
    }
    if (!started && attempted) {
        SetPanel(Panel::Message, "The plug-in could not be started.");
        // The user asked for a file to be opened: say plainly that it was not.
        if (!viewed.empty()) {
            ShowMessage("The plug-in could not be started, so " + std::filesystem::path(viewed).filename().string() +
                            " was not opened.",
                        kFileDescription, MessageIcon::Exclamation, MessageButtons::Ok);
        }
    }
}

}  // namespace varnok
