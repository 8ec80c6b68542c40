// The main window's menus, toolbar and command state.
#include <QApplication>
#include <QCheckBox>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "engine/ProgramInfo.h"
#include "engine/dialogs/frmAddDirectory.h"
#include "engine/dialogs/frmCreate.h"
#include "engine/dialogs/frmExtractAll.h"
#include "engine/dialogs/frmExtractDirectory.h"
#include "engine/dialogs/frmFind.h"
#include "engine/dialogs/frmMoveCopy.h"
#include "engine/dialogs/frmRemoveDirectory.h"
#include "engine/dialogs/frmRename.h"
#include "engine/dialogs/frmRenameArchive.h"
#include "platform/GameFolder.h"
#include "shell/FileListModel.h"
#include "shell/HelpLinks.h"
#include "shell/MainSettings.h"
#include "shell/frmAbout.h"
#include "shell/frmFavorites.h"
#include "shell/frmMain.h"

namespace varnok {

QAction* frmMain::AddAction(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction* frmMain::AddSeparator(QMenu* menu, const char* name) {
    QAction* bar = menu->addSeparator();
    bar->setObjectName(QString::fromLatin1(name));
    return bar;
}

void frmMain::BuildMenus() {
    BuildFileMenu();
    BuildActionMenu();
    BuildViewAndFavoritesMenus();
    BuildOtherMenus();
    // Every Action-menu command first hides the logo window of the context menu.
    connect(mnuAction, &QMenu::triggered, this, [this] { HideLogo(); });
}

void frmMain::BuildFileMenu() {
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->menuAction()->setObjectName(QStringLiteral("mnuFile"));
    mnuFileNew = AddAction(mnuFile, "mnuFileNew", QStringLiteral("&New Archive"));
    mnuFileOpen = AddAction(mnuFile, "mnuFileOpen", QStringLiteral("&Open Archive"));
    mnuFileOpen->setShortcut(QKeySequence::Open);
    mnuFileClose = AddAction(mnuFile, "mnuFileClose", QStringLiteral("&Close Archive"));
    mnuFileClose->setShortcut(QKeySequence::Close);
    AddSeparator(mnuFile, "mnuFileBar0");
    mnuFileMove = AddAction(mnuFile, "mnuFileMove", QStringLiteral("&Move Archive"));
    mnuFileCopy = AddAction(mnuFile, "mnuFileCopy", QStringLiteral("Co&py Archive"));
    mnuFileRename = AddAction(mnuFile, "mnuFileRename", QStringLiteral("&Rename Archive"));
    mnuFileDelete = AddAction(mnuFile, "mnuFileDelete", QStringLiteral("&Delete Archive"));
    AddSeparator(mnuFile, "mnuFileBar1");
    mnuFileTest = AddAction(mnuFile, "mnuFileTest", QStringLiteral("&Test Archive"));
    mnuFileTest->setEnabled(false);
    AddSeparator(mnuFile, "mnuFileBarA");
    mnuFileImport = mnuFile->addMenu(QStringLiteral("&Import"));
    mnuFileImport->menuAction()->setObjectName(QStringLiteral("mnuFileImport"));
    mnuFileImportSub = {AddAction(mnuFileImport, "mnuFileImportSub0", QStringLiteral("Nothing"))};
    mnuFileImportSub[0]->setEnabled(false);
    mnuFileExport = mnuFile->addMenu(QStringLiteral("&Export"));
    mnuFileExport->menuAction()->setObjectName(QStringLiteral("mnuFileExport"));
    mnuFileExportSub = {AddAction(mnuFileExport, "mnuFileExportSub0", QStringLiteral("Nothing"))};
    mnuFileExportSub[0]->setEnabled(false);
    AddSeparator(mnuFile, "mnuFileBarB");
    mnuFileFound = mnuFile->addMenu(QStringLiteral("&Found"));
    mnuFileFound->menuAction()->setObjectName(QStringLiteral("mnuFileFound"));
    mnuFileFoundSub = {AddAction(mnuFileFound, "mnuFileFoundSub0", QStringLiteral("No files found"))};
    mnuFileFoundSub[0]->setEnabled(false);
    AddSeparator(mnuFile, "mnuFileBar2");
    for (int i = 1; i <= 4; ++i) {
        Recent[static_cast<std::size_t>(i)] = AddAction(mnuFile, ("Recent" + std::to_string(i)).c_str(), QString());
        Recent[static_cast<std::size_t>(i)]->setVisible(false);
        connect(Recent[static_cast<std::size_t>(i)], &QAction::triggered, this, [this, i] {
            engine_.OpenArchive(Recent[static_cast<std::size_t>(i)]->data().toString().toStdString());
        });
    }
    mnuFileBar3 = AddSeparator(mnuFile, "mnuFileBar3");
    mnuFileBar3->setVisible(false);
    mnuFileExit = AddAction(mnuFile, "mnuFileExit", QStringLiteral("E&xit"));
    mnuFileExit->setShortcut(QKeySequence::Quit);

    const auto browse = [this](const std::string& prompt) { return BrowseForFolder(prompt); };
    connect(mnuFileNew, &QAction::triggered, this, [this, browse] { frmCreate::Show(this, engine_, browse); });
    connect(mnuFileCopy, &QAction::triggered, this, [this] { frmMoveCopy::ShowCopy(this, engine_); });
    connect(mnuFileMove, &QAction::triggered, this, [this] { frmMoveCopy::ShowMove(this, engine_); });
    connect(mnuFileRename, &QAction::triggered, this, [this] { frmRenameArchive::Show(this, engine_); });
    connect(mnuFileDelete, &QAction::triggered, this, [this] { engine_.DeleteArchive(); });
    connect(mnuFileTest, &QAction::triggered, this, [this] { engine_.TestArchive(); });
    connect(mnuFileOpen, &QAction::triggered, this, [this] { engine_.OpenArchiveDialog(); });
    connect(mnuFileClose, &QAction::triggered, this, [this] { engine_.CloseArchive(); });
    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);
}

void frmMain::BuildActionMenu() {
    mnuAction = menuBar()->addMenu(QStringLiteral("&Action"));
    mnuAction->menuAction()->setObjectName(QStringLiteral("mnuAction"));
    mnuActionViewFile = AddAction(mnuAction, "mnuActionViewFile", QStringLiteral("&Open File"));
    mnuActionViewFile->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    mnuActionViewFile->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    lstFiles->addAction(mnuActionViewFile);
    mnuActionViewWith = mnuAction->addMenu(QStringLiteral("Open &with"));
    mnuActionViewWith->menuAction()->setObjectName(QStringLiteral("mnuActionViewWith"));
    mnuActionViewWithDef = AddAction(mnuActionViewWith, "mnuActionViewWithDef", QStringLiteral("&Default"));
    AddSeparator(mnuActionViewWith, "mnuActionViewWithBar0");
    QAction* placeholder = AddAction(mnuActionViewWith, "mnuActionViewWithSub0", QString());
    placeholder->setVisible(false);
    placeholder->setEnabled(false);
    mnuActionViewWithSub = {placeholder};
    AddSeparator(mnuAction, "mnuActionBar0");
    mnuActionAddFile = AddAction(mnuAction, "mnuActionAddFile", QStringLiteral("&Add File"));
    mnuActionExtractFile = AddAction(mnuAction, "mnuActionExtractFile", QStringLiteral("&Extract File"));
    mnuActionExportModel = AddAction(mnuAction, "mnuActionExportModel", QStringLiteral("Export Mode&l\u2026"));
    mnuActionExportModel->setToolTip(QStringLiteral("Writes the focused model as glTF (.glb, .gltf) or OBJ"));
    mnuActionRemoveFile = AddAction(mnuAction, "mnuActionRemoveFile", QStringLiteral("&Remove File"));
    mnuActionRemoveFile->setShortcut(QKeySequence::Delete);
    mnuActionRemoveFile->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    lstFiles->addAction(mnuActionRemoveFile);
    AddSeparator(mnuAction, "mnuActionBar1");
    mnuActionAddDirectory = AddAction(mnuAction, "mnuActionAddDirectory", QStringLiteral("Add &Directory"));
    mnuActionExtractDirectory = AddAction(mnuAction, "mnuActionExtractDirectory", QStringLiteral("E&xtract Directory"));
    mnuActionRemoveDirectory = AddAction(mnuAction, "mnuActionRemoveDirectory", QStringLiteral("Re&move Directory"));
    AddSeparator(mnuAction, "mnuActionBar2");
    mnuActionExtractAll = AddAction(mnuAction, "mnuActionExtractAll", QStringLiteral("Ex&tract All"));
    mnuActionRemoveAll = AddAction(mnuAction, "mnuActionRemoveAll", QStringLiteral("Remo&ve All"));
    AddSeparator(mnuAction, "mnuActionBar3");
    mnuActionSelectAll = AddAction(mnuAction, "mnuActionSelectAll", QStringLiteral("&Select All"));
    mnuActionSelectAll->setShortcut(QKeySequence::SelectAll);
    mnuActionInvertSelection = AddAction(mnuAction, "mnuActionInvertSelection", QStringLiteral("&Invert Selection"));
    AddSeparator(mnuAction, "mnuActionBar4");
    mnuActionRenameFile = AddAction(mnuAction, "mnuActionRenameFile", QStringLiteral("Re&name File"));
    mnuActionRenameFile->setShortcut(QKeySequence(Qt::Key_F2));
    mnuActionChangePath = AddAction(mnuAction, "mnuActionChangePath", QStringLiteral("&Change Path"));
    AddSeparator(mnuAction, "mnuActionBar5");
    mnuActionFindFile = AddAction(mnuAction, "mnuActionFindFile", QStringLiteral("&Find File"));
    mnuActionFindFile->setShortcut(QKeySequence::Find);
    AddSeparator(mnuAction, "mnuActionBar6");
    mnuActionAddAsAdpcm = AddAction(mnuAction, "mnuActionAddAsAdpcm", QStringLiteral("Add Sounds as IMA AD&PCM"));
    mnuActionAddAsAdpcm->setCheckable(true);
    mnuActionAddAsAdpcm->setToolTip(
        QStringLiteral("Sounds added to a BAG archive are stored as IMA ADPCM, as the game's own speech"));
    connect(mnuActionAddAsAdpcm, &QAction::toggled, this, [this](bool on) { engine_.SetAddAsAdpcm(on); });
    // The Add Directory dialog sets it too.
    connect(mnuAction, &QMenu::aboutToShow, this, [this] { mnuActionAddAsAdpcm->setChecked(engine_.AddAsAdpcm()); });
    // Export Model is for a focused model entry only.
    connect(mnuAction, &QMenu::aboutToShow, this,
            [this] { mnuActionExportModel->setEnabled(engine_.IsModelEntry(FocusedEntry())); });
    connect(mnuActionExportModel, &QAction::triggered, this, [this] { engine_.ExportModel(FocusedEntry()); });

    const auto browse = [this](const std::string& prompt) { return BrowseForFolder(prompt); };
    connect(mnuActionViewFile, &QAction::triggered, this, [this] { engine_.ViewFile(); });
    connect(mnuActionViewWithDef, &QAction::triggered, this, [this] { engine_.ViewFile(); });
    connect(mnuActionAddFile, &QAction::triggered, this, [this] { engine_.BrowseAndAddFile(); });
    connect(mnuActionExtractFile, &QAction::triggered, this, [this] { engine_.ExtractSelectedFiles(true); });
    connect(mnuActionRemoveFile, &QAction::triggered, this, [this] { engine_.RemoveSelectedFiles(); });
    connect(mnuActionAddDirectory, &QAction::triggered, this,
            [this, browse] { (new frmAddDirectory(this, engine_, browse))->show(); });
    connect(mnuActionExtractDirectory, &QAction::triggered, this,
            [this, browse] { (new frmExtractDirectory(this, engine_, browse))->show(); });
    connect(mnuActionRemoveDirectory, &QAction::triggered, this,
            [this] { (new frmRemoveDirectory(this, engine_))->show(); });
    connect(mnuActionExtractAll, &QAction::triggered, this,
            [this, browse] { (new frmExtractAll(this, engine_, browse))->show(); });
    connect(mnuActionRemoveAll, &QAction::triggered, this, [this] { engine_.RemoveAllFiles(); });
    connect(mnuActionSelectAll, &QAction::triggered, this, &frmMain::SelectAll);
    connect(mnuActionInvertSelection, &QAction::triggered, this, &frmMain::InvertSelection);
    connect(mnuActionRenameFile, &QAction::triggered, this,
            [this] { frmRename::ShowRenameFile(this, engine_, FocusedRow()); });
    connect(mnuActionFindFile, &QAction::triggered, this, [this] { frmFind::Show(this, engine_, FocusedRow()); });
    connect(mnuActionChangePath, &QAction::triggered, this,
            [this] { frmRename::ShowChangePath(this, engine_, FocusedRow()); });
}

void frmMain::BuildViewAndFavoritesMenus() {
    mnuView = menuBar()->addMenu(QStringLiteral("&View"));
    mnuView->menuAction()->setObjectName(QStringLiteral("mnuView"));
    mnuViewToolbar = AddAction(mnuView, "mnuViewToolbar", QStringLiteral("Toolbar"));
    mnuViewToolbar->setCheckable(true);
    mnuViewStatusBar = AddAction(mnuView, "mnuViewStatusBar", QStringLiteral("Status Bar"));
    mnuViewStatusBar->setCheckable(true);
    mnuViewFilter = AddAction(mnuView, "mnuViewFilter", QStringLiteral("&Filter"));
    mnuViewPreview = AddAction(mnuView, "mnuViewPreview", QStringLiteral("&Preview"));
    mnuViewPreview->setCheckable(true);
    mnuViewPreview->setChecked(true);
    connect(mnuViewPreview, &QAction::triggered, this, &frmMain::ShowPreview);
    AddSeparator(mnuView, "mnuViewBar0");
    mnuViewOptions = AddAction(mnuView, "mnuViewOptions", QStringLiteral("Options"));
    mnuViewOptions->setEnabled(false);
    AddSeparator(mnuView, "mnuViewBar1");
    mnuViewRefresh = AddAction(mnuView, "mnuViewRefresh", QStringLiteral("&Refresh"));
    mnuViewRefresh->setShortcut(QKeySequence::Refresh);
    // A click flips the check mark; the bar follows it.
    connect(mnuViewStatusBar, &QAction::triggered, this, [this](bool checked) { statusBar()->setVisible(checked); });
    connect(mnuViewRefresh, &QAction::triggered, this, [this] { engine_.RefreshArchive(); });

    mnuFavorites = menuBar()->addMenu(QStringLiteral("Fav&orites"));
    mnuFavorites->menuAction()->setObjectName(QStringLiteral("mnuFavorites"));
    mnuFavoritesAdd = AddAction(mnuFavorites, "mnuFavoritesAdd", QStringLiteral("&Add to Favorites"));
    mnuFavoritesModify = AddAction(mnuFavorites, "mnuFavoritesModify", QStringLiteral("&Modify Favorites"));
    AddSeparator(mnuFavorites, "mnuFavoritesBar0");
    QAction* placeholder = AddAction(mnuFavorites, "mnuFavoritesSub0", QString());
    placeholder->setVisible(false);
    placeholder->setEnabled(false);
    mnuFavoritesSub = {placeholder};
    connect(mnuFavoritesAdd, &QAction::triggered, this,
            [this] { frmAddFavorites::Show(this, *settings_, engine_.ArchivePath()); });
    connect(mnuFavoritesModify, &QAction::triggered, this, [this] { frmModFavorites::Show(this, *settings_); });
}

void frmMain::BuildOtherMenus() {
    mnuLaunch = menuBar()->addMenu(QStringLiteral("&Launch"));
    mnuLaunch->menuAction()->setObjectName(QStringLiteral("mnuLaunch"));
    mnuLaunchEBFD = AddAction(mnuLaunch, "mnuLaunchEBFD", QStringLiteral("Emperor: Battle for Dune"));
    mnuInternet = menuBar()->addMenu(QStringLiteral("&Internet"));
    mnuInternet->menuAction()->setObjectName(QStringLiteral("mnuInternet"));
    FillInternetMenu(mnuInternet, HelpPort::For(this));
    mnuPlugIns = menuBar()->addMenu(QStringLiteral("&Plug-Ins"));
    mnuPlugIns->menuAction()->setObjectName(QStringLiteral("mnuPlugIns"));
    mnuPlugInsSub = {AddAction(mnuPlugIns, "mnuPlugInsSub0", QStringLiteral("No Plug-Ins found"))};
    mnuPlugInsSub[0]->setEnabled(false);
    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->menuAction()->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpOnlineHelp = AddAction(mnuHelp, "mnuHelpOnlineHelp", QStringLiteral("&Online Help"));
    mnuHelpOnlineHelp->setEnabled(false);
    QAction* mnuHelpContactMe = AddAction(mnuHelp, "mnuHelpContactMe", QStringLiteral("&Contact Me"));
    QAction* mnuHelpReadMe = AddAction(mnuHelp, "mnuHelpReadMe", QStringLiteral("&Read Me"));
    AddSeparator(mnuHelp, "mnuHelpBar0");
    QAction* mnuHelpCredits = AddAction(mnuHelp, "mnuHelpCredits", QStringLiteral("Cre&dits"));
    AddSeparator(mnuHelp, "mnuHelpBar1");
    mnuHelpAboutPlugins = mnuHelp->addMenu(QStringLiteral("About &Plug-In"));
    mnuHelpAboutPlugins->menuAction()->setObjectName(QStringLiteral("mnuHelpAboutPlugins"));
    mnuHelpAboutPluginsSub = {
        AddAction(mnuHelpAboutPlugins, "mnuHelpAboutPluginsSub0", QStringLiteral("No Plug-In found"))};
    mnuHelpAboutPluginsSub[0]->setEnabled(false);
    mnuHelpAbout = AddAction(mnuHelp, "mnuHelpAbout", QStringLiteral("&About Varnok..."));

    connect(mnuLaunchEBFD, &QAction::triggered, this, [this] {
        if (const std::string problem = LaunchGame(); !problem.empty()) {
            ShowMessage(problem, kFileDescription, MessageIcon::Critical, MessageButtons::Ok);
        }
    });
    connect(mnuHelpContactMe, &QAction::triggered, this, [this] { ContactMe(HelpPort::For(this)); });
    connect(mnuHelpReadMe, &QAction::triggered, this, [this] { ReadMe(HelpPort::For(this)); });
    connect(mnuHelpCredits, &QAction::triggered, this, [this] { Credits(HelpPort::For(this)); });
    connect(mnuHelpAbout, &QAction::triggered, this, [this] { frmAbout::ShowAbout(this, engine_.AppTitle()); });
}

void frmMain::BuildToolbar() {
    tbToolBar = addToolBar(QStringLiteral("Toolbar"));
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setMovable(false);
    tbToolBar->hide();
    struct Button {
        const char* text;
        QStyle::StandardPixmap fallback;
        const char* themeIcon;
        QAction* runs;
    };
    const Button buttons[] = {
        {"New Archive", QStyle::SP_FileDialogNewFolder, "document-new", mnuFileNew},
        {"Open Archive", QStyle::SP_DialogOpenButton, "document-open", mnuFileOpen},
        {"Close Archive", QStyle::SP_DialogCloseButton, "document-close", mnuFileClose},
        {nullptr, {}, nullptr, nullptr},
        {"View File", QStyle::SP_FileDialogContentsView, "document-preview", mnuActionViewFile},
        {"Add File", QStyle::SP_FileDialogStart, "list-add", mnuActionAddFile},
        {"Extract File", QStyle::SP_DialogSaveButton, "document-save-as", mnuActionExtractFile},
        {"Delete File", QStyle::SP_TrashIcon, "edit-delete", mnuActionRemoveFile},
        {nullptr, {}, nullptr, nullptr},
        {"Test Archive", QStyle::SP_DialogApplyButton, "tools-check-spelling", mnuFileTest},
        {nullptr, {}, nullptr, nullptr},
        {"About Varnok...", QStyle::SP_MessageBoxInformation, "help-about", mnuHelpAbout},
    };
    for (std::size_t i = 0; i < std::size(buttons); ++i) {
        const Button& b = buttons[i];
        if (!b.text) {
            tbButtons[i + 1] = tbToolBar->addSeparator();
            continue;
        }
        const QIcon icon = QIcon::fromTheme(QString::fromLatin1(b.themeIcon), style()->standardIcon(b.fallback));
        QAction* button = tbToolBar->addAction(icon, QString());
        button->setToolTip(QString::fromLatin1(b.text));
        button->setObjectName(QStringLiteral("tbButton%1").arg(i + 1));
        tbButtons[i + 1] = button;
        if (b.runs) connect(button, &QAction::triggered, b.runs, &QAction::trigger);
    }
    tbButtons[10]->setEnabled(false);
    SetFoundArchives({});
    connect(mnuViewToolbar, &QAction::triggered, this, [this](bool checked) { tbToolBar->setVisible(checked); });
}

void frmMain::SetEnabled(std::initializer_list<QAction*> actions, bool enabled) {
    for (QAction* a : actions) a->setEnabled(enabled);
}

// The engine names the command set for what it has open; the window shows it,
// narrowed to the read-only set while the user's "Read Only" box is ticked. An
// archive the program itself opened read-only shows the box ticked and locked.
void frmMain::ApplyCommandSet(CommandSet set) {
    commandSet_ = set;
    const bool imposed = set == CommandSet::ReadOnly;
    const bool user = engine_.IsUserReadOnly();
    chkReadOnly->setEnabled(!imposed);
    chkReadOnly->setChecked(imposed || user);
    switch (set) {
        case CommandSet::Add:
            ShowAddSet();
            if (user) SetEnabled({mnuActionAddFile, mnuActionAddDirectory, tbButtons[6]}, false);
            break;
        case CommandSet::All: user ? ShowReadOnlySet() : ShowAllSet(); break;
        case CommandSet::AllBAG: user ? ShowReadOnlySet() : ShowBagSet(); break;
        case CommandSet::ReadOnly: ShowReadOnlySet(); break;
        case CommandSet::NoArchive: ShowNoArchiveSet(); break;
    }
    // The ticked box keeps the archive's files where and as they are, too; a copy
    // only reads them.
    if (chkReadOnly->isChecked()) SetEnabled({mnuFileMove, mnuFileRename, mnuFileDelete}, false);
}

void frmMain::UserReadOnlyClicked(bool checked) {
    engine_.SetUserReadOnly(checked);
    ApplyCommandSet(commandSet_);
}

void frmMain::EnableAdd() { ApplyCommandSet(CommandSet::Add); }
void frmMain::EnableAll() { ApplyCommandSet(CommandSet::All); }
void frmMain::EnableAllBAG() { ApplyCommandSet(CommandSet::AllBAG); }
void frmMain::EnableReadOnly() { ApplyCommandSet(CommandSet::ReadOnly); }
void frmMain::DisableAll() { ApplyCommandSet(CommandSet::NoArchive); }

void frmMain::ShowAddSet() {
    SetEnabled({mnuFileClose, mnuFileMove, mnuFileCopy, mnuFileRename, mnuFileDelete, mnuActionAddFile,
                mnuActionAddDirectory, mnuFavoritesAdd, mnuViewRefresh, tbButtons[3], tbButtons[6]},
               true);
    SetEnabled(
        {mnuActionViewFile, mnuActionExtractFile, mnuActionRemoveFile, mnuActionExtractDirectory,
         mnuActionRemoveDirectory, mnuActionSelectAll, mnuActionInvertSelection, mnuActionRenameFile,
         mnuActionChangePath, mnuActionFindFile, mnuFileTest, tbButtons[5], tbButtons[7], tbButtons[8], tbButtons[10]},
        false);
}

void frmMain::ShowAllSet() {
    SetEnabled({mnuFileClose,
                mnuFileMove,
                mnuFileCopy,
                mnuFileRename,
                mnuFileDelete,
                mnuActionViewFile,
                mnuActionViewWith->menuAction(),
                mnuActionAddFile,
                mnuActionExtractFile,
                mnuActionRemoveFile,
                mnuActionAddDirectory,
                mnuActionExtractDirectory,
                mnuActionRemoveDirectory,
                mnuActionExtractAll,
                mnuActionRemoveAll,
                mnuActionSelectAll,
                mnuActionInvertSelection,
                mnuActionRenameFile,
                mnuActionChangePath,
                mnuActionFindFile,
                mnuFavoritesAdd,
                mnuViewRefresh,
                mnuFileTest,
                tbButtons[3],
                tbButtons[5],
                tbButtons[6],
                tbButtons[7],
                tbButtons[8],
                tbButtons[10]},
               true);
}

// A BAG archive's records have no stored path, and Remove All empties it only from
// an RFH archive's set.
void frmMain::ShowBagSet() {
    ShowReadOnlySet();
    SetEnabled(
        {mnuActionAddFile, mnuActionRemoveFile, mnuActionAddDirectory, mnuActionRenameFile, tbButtons[6], tbButtons[8]},
        true);
}

// The read-only set: everything that reads, nothing that changes.
void frmMain::ShowReadOnlySet() {
    SetEnabled({mnuFileClose,
                mnuFileMove,
                mnuFileCopy,
                mnuFileRename,
                mnuFileDelete,
                mnuActionViewFile,
                mnuActionViewWith->menuAction(),
                mnuActionExtractFile,
                mnuActionExtractDirectory,
                mnuActionExtractAll,
                mnuActionSelectAll,
                mnuActionInvertSelection,
                mnuActionFindFile,
                mnuFavoritesAdd,
                mnuViewRefresh,
                mnuFileTest,
                tbButtons[3],
                tbButtons[5],
                tbButtons[7],
                tbButtons[10]},
               true);
    SetEnabled({mnuActionAddFile, mnuActionRemoveFile, mnuActionAddDirectory, mnuActionRemoveDirectory,
                mnuActionRemoveAll, mnuActionRenameFile, mnuActionChangePath, tbButtons[6], tbButtons[8]},
               false);
}

void frmMain::ShowNoArchiveSet() {
    SetEnabled({mnuFileClose,
                mnuFileMove,
                mnuFileCopy,
                mnuFileRename,
                mnuFileDelete,
                mnuActionViewFile,
                mnuActionViewWith->menuAction(),
                mnuActionAddFile,
                mnuActionExtractFile,
                mnuActionRemoveFile,
                mnuActionAddDirectory,
                mnuActionExtractDirectory,
                mnuActionRemoveDirectory,
                mnuActionExtractAll,
                mnuActionRemoveAll,
                mnuActionSelectAll,
                mnuActionInvertSelection,
                mnuActionRenameFile,
                mnuActionChangePath,
                mnuActionFindFile,
                mnuFavoritesAdd,
                mnuViewRefresh,
                mnuFileTest,
                tbButtons[3],
                tbButtons[5],
                tbButtons[6],
                tbButtons[7],
                tbButtons[8],
                tbButtons[10]},
               false);
}

void frmMain::SetOpenWithEnabled(int entry, bool enabled) {
    // Plug-ins without an open-with entry leave gaps in the array.
    if (entry >= 1 && entry < static_cast<int>(mnuActionViewWithSub.size()) &&
        mnuActionViewWithSub[static_cast<std::size_t>(entry)]) {
        mnuActionViewWithSub[static_cast<std::size_t>(entry)]->setEnabled(enabled);
    }
}

void frmMain::ToggleToolbar() { mnuViewToolbar->trigger(); }

void frmMain::ToggleStatusBar() { mnuViewStatusBar->trigger(); }

void frmMain::TogglePreview() { mnuViewPreview->trigger(); }

}  // namespace varnok

namespace varnok {

void frmMain::SetFoundArchives(const std::vector<std::string>& captions) {
    for (std::size_t i = 1; i < mnuFileFoundSub.size(); ++i) delete mnuFileFoundSub[i];
    mnuFileFoundSub.resize(1);
    // The toolbar's Open Archive button drops down the same list.
    auto* dropDown = new QMenu(this);
    dropDown->addAction(QStringLiteral("&Open Archive..."), mnuFileOpen, &QAction::trigger);
    dropDown->addSeparator();
    for (std::size_t k = 1; k <= captions.size(); ++k) {
        const QString caption = QString::fromStdString(captions[k - 1]).replace(QLatin1Char('&'), QStringLiteral("&&"));
        const int number = static_cast<int>(k);
        QAction* entry = mnuFileFound->addAction(caption);
        entry->setObjectName(QStringLiteral("mnuFileFoundSub%1").arg(number));
        connect(entry, &QAction::triggered, this, [this, number] { engine_.OpenFoundArchive(number); });
        mnuFileFoundSub.push_back(entry);
        dropDown->addAction(caption, this, [this, number] { engine_.OpenFoundArchive(number); });
    }
    if (captions.empty()) dropDown->addAction(QStringLiteral("<Nothing>"))->setEnabled(false);
    mnuFileFoundSub[0]->setVisible(captions.empty());
    if (QMenu* old = tbButtons[2]->menu()) old->deleteLater();
    tbButtons[2]->setMenu(dropDown);
    if (auto* button = qobject_cast<QToolButton*>(tbToolBar->widgetForAction(tbButtons[2]))) {
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
}

}  // namespace varnok
