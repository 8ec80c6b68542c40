#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/EngineUi.h"
#include "engine/EntryPreview.h"
#include "engine/mVarnokEngine.h"
#include "platform/Folders.h"
#include "shell/plugins/PlugIns.h"

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QSplitter;
class QToolBar;
class QToolButton;

namespace varnok {

class FileListModel;
class FileListProxy;
class FileListView;
class FilterBox;
class FolderPane;
class IniValues;
class MainSettings;
class PreviewPane;
class frmLogo;

// The main window: menus, toolbar, folder pane, file list and status bar. It is
// the engine's window: every command calls an engine or shell operation, and the
// engine reaches the user through the EngineUi this window implements.
class frmMain : public QMainWindow, public EngineUi {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // The start-up sequence; `commandLine` is the archive to open, or "".
    void Load(const QString& commandLine);

    mVarnokEngine& Engine() { return engine_; }
    MainSettings& Settings() { return *settings_; }

    // The folder whose "plugins" folder start-up unpacks: the program's own, or a
    // test's.
    void SetProgramFolder(std::filesystem::path folder) { programFolder_ = std::move(folder); }

    // --- EngineUi ------------------------------------------------------------
    void SetCaption(const std::string& text) override;
    void SetPathLabel(const std::string& text) override;
    void SetPanel(Panel panel, const std::string& text) override;
    void ShowProgress() override;
    void HideProgress() override;
    void UpdateProgress(std::int64_t current, std::int64_t total) override;
    void DisableInterface() override;
    void EnableInterface() override;
    void Yield() override;
    bool CancelRequested() override;
    MessageAnswer ShowMessage(const std::string& text, const std::string& title, MessageIcon icon,
                              MessageButtons buttons) override;
    OverwriteAnswer AskOverwrite(const std::string& question, const std::string& title) override;
    ConvertAnswer AskConvert(const std::string& question, const std::string& title) override;
    std::string BrowseForFolder(const std::string& prompt) override;
    std::string OpenFileDialog(const std::string& filter) override;
    std::vector<std::string> OpenFilesDialog(const std::string& filter) override;
    std::string SaveFileDialog(const std::string& fileName, const std::string& filter) override;
    void ListReset() override;
    void ListRowsAppended(int first, int count) override;
    void ListRowRemoved(int row) override;
    void ListRowChanged(int row) override;
    void SetListVisible(bool visible) override;
    bool IsRowSelected(int row) const override;
    int FocusedRow() const override;
    void EnableAll() override;
    void EnableAllBAG() override;
    void EnableReadOnly() override;
    void EnableAdd() override;
    void DisableAll() override;
    bool OpenWithAssociatedProgram(const std::string& path) override;
    void AddRecentFile(const std::string& path) override;
    std::string FavoriteFile(int index) override;
    void SetOpenWithEnabled(int entry, bool enabled) override;
    void MarkFoundRow(int row) override;
    void SetFoundArchives(const std::vector<std::string>& captions) override;

    // --- Commands --------------------------------------------------------------
    void SelectAll();
    void InvertSelection();
    void ToggleToolbar();
    void ToggleStatusBar();
    void TogglePreview();
    void SizeControls(int twips);
    void SaveColumns();
    void RefreshRecentMenu();
    void RefreshFavoritesMenu();

    // The one bridge between the list's rows, which may be sorted and filtered, and
    // entry numbers: every command that starts from a row of the view goes through
    // it. 0 / an invalid index when there is no such row (hidden by the filter).
    int EntryOfView(const QModelIndex& index) const;
    QModelIndex ViewOfEntry(int entry) const;

    // The size of the first start: the folder pane and all seven columns at their
    // design widths. The window takes it as far as the screen allows.
    QSize DesignSize() const;

    // Twips, the unit the settings file keeps sizes in, for this screen.
    int ToTwips(int pixels) const;
    int ToPixels(int twips) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildWidgets();
    void BuildMenus();
    void BuildFileMenu();
    void BuildActionMenu();
    void BuildViewAndFavoritesMenus();
    void BuildOtherMenus();
    void BuildToolbar();
    void ConnectList();
    QWidget* BuildListPane();
    void ConnectFilter();
    void FilterToggled(bool on);
    void StartFilterWith(const QString& typed);
    void ApplyFilter(const QString& text);
    void ShowCount();
    QWidget* BuildListAndPreview();
    void ConnectPreview();
    void ShowPreview(bool on);
    void UpdatePreview();
    std::vector<EntryReader> PictureEntries() const;
    // The entry number of the list's focused row; 0 when none.
    std::int32_t FocusedEntry() const;
    QAction* AddAction(QMenu* menu, const char* name, const QString& caption);
    QAction* AddSeparator(QMenu* menu, const char* name);
    void Unload();
    void SearchGameData();
    void RegisterAssociations();
    void DiscoverPlugIns();
    void PlugInClicked(PlugInMenu menu, int number);
    void RestoreWindowState(const IniValues& stored);
    void SaveWindowState();
    void EmptyViewFolder();
    void ShowContextMenu(QPoint position);
    void PlaceLogoBesideMenu();
    void HideLogo();
    void RequestCancel();
    QString StartFolder() const;
    void RememberFolderOf(const QString& chosen, bool isFolder);
    void SizeColumnsForGameNames();
    QList<QUrl> ExtractForDrag(const std::vector<int>& rows);
    void SetEnabled(std::initializer_list<QAction*> actions, bool enabled);
    // The command-state routines the engine calls, by what they are for.
    enum class CommandSet { NoArchive, Add, All, AllBAG, ReadOnly };
    void ApplyCommandSet(CommandSet set);
    void UserReadOnlyClicked(bool checked);
    void ShowAddSet();
    void ShowAllSet();
    void ShowBagSet();
    void ShowReadOnlySet();
    void ShowNoArchiveSet();

    mVarnokEngine engine_;
    std::unique_ptr<MainSettings> settings_;
    bool unloaded_ = false;
    CommandSet commandSet_ = CommandSet::NoArchive;
    std::filesystem::path programFolder_ = ProgramFolder();
    PlugInHost plugIns_{StartPlugInProgram};
    bool cancelRequested_ = false;
    QString lastFolder_;  // where the user last picked a file or folder in this session

    // Widgets
    QSplitter* imgSplitter = nullptr;
    QWidget* fmeFolders = nullptr;
    QLabel* imgTitle1 = nullptr;
    FolderPane* tvFiles = nullptr;
    QWidget* picInfo = nullptr;
    QLabel* lblFilename = nullptr;
    QProgressBar* picProgress = nullptr;
    QPushButton* cmdCancel = nullptr;  // beside the progress bar, shown with it
    QAction* actCancel = nullptr;      // Escape, while a long operation runs
    QCheckBox* chkReadOnly = nullptr;
    QLabel* imgIcon = nullptr;
    FileListView* lstFiles = nullptr;
    FileListModel* model_ = nullptr;
    FileListProxy* proxy_ = nullptr;
    QWidget* listPane_ = nullptr;  // the filter box and the list
    FilterBox* txtFilter = nullptr;
    QString engineCount_;                // panel 2 as the engine last set it
    QSplitter* listSplitter_ = nullptr;  // the file list above the preview pane
    PreviewPane* picPreview = nullptr;
    QToolBar* tbToolBar = nullptr;
    std::array<QLabel*, 3> panels_{};
    QPointer<frmLogo> logo_;

    // Menus
    QMenu* mnuFile = nullptr;
    QMenu* mnuAction = nullptr;
    QMenu* mnuView = nullptr;
    QMenu* mnuFavorites = nullptr;
    QMenu* mnuLaunch = nullptr;
    QMenu* mnuInternet = nullptr;
    QMenu* mnuPlugIns = nullptr;
    QMenu* mnuHelp = nullptr;
    QMenu* mnuFileImport = nullptr;
    QMenu* mnuFileExport = nullptr;
    QMenu* mnuFileFound = nullptr;
    QMenu* mnuActionViewWith = nullptr;
    QMenu* mnuHelpAboutPlugins = nullptr;

    // File
    QAction* mnuFileNew = nullptr;
    QAction* mnuFileOpen = nullptr;
    QAction* mnuFileClose = nullptr;
    QAction* mnuFileMove = nullptr;
    QAction* mnuFileCopy = nullptr;
    QAction* mnuFileRename = nullptr;
    QAction* mnuFileDelete = nullptr;
    QAction* mnuFileTest = nullptr;
    std::array<QAction*, 5> Recent{};  // 1..4
    QAction* mnuFileBar3 = nullptr;
    QAction* mnuFileExit = nullptr;
    // Action
    QAction* mnuActionViewFile = nullptr;
    QAction* mnuActionViewWithDef = nullptr;
    QAction* mnuActionAddFile = nullptr;
    QAction* mnuActionExtractFile = nullptr;
    QAction* mnuActionExportModel = nullptr;
    QAction* mnuActionRemoveFile = nullptr;
    QAction* mnuActionAddDirectory = nullptr;
    QAction* mnuActionExtractDirectory = nullptr;
    QAction* mnuActionRemoveDirectory = nullptr;
    QAction* mnuActionExtractAll = nullptr;
    QAction* mnuActionRemoveAll = nullptr;
    QAction* mnuActionSelectAll = nullptr;
    QAction* mnuActionInvertSelection = nullptr;
    QAction* mnuActionRenameFile = nullptr;
    QAction* mnuActionChangePath = nullptr;
    QAction* mnuActionFindFile = nullptr;
    QAction* mnuActionAddAsAdpcm = nullptr;
    std::vector<QAction*> mnuActionViewWithSub;  // element 0 is the placeholder; nullptr where a plug-in has none
    // The other plug-in menus' control arrays, laid out the same way.
    std::vector<QAction*> mnuFileImportSub;
    std::vector<QAction*> mnuFileExportSub;
    std::vector<QAction*> mnuPlugInsSub;
    std::vector<QAction*> mnuHelpAboutPluginsSub;
    // View, Favorites, Launch, Help
    QAction* mnuViewToolbar = nullptr;
    QAction* mnuViewStatusBar = nullptr;
    QAction* mnuViewFilter = nullptr;
    QAction* mnuViewPreview = nullptr;
    QAction* mnuViewOptions = nullptr;
    QAction* mnuViewRefresh = nullptr;
    QAction* mnuFavoritesAdd = nullptr;
    QAction* mnuFavoritesModify = nullptr;
    std::vector<QAction*> mnuFavoritesSub;  // element 0 is the placeholder
    QAction* mnuLaunchEBFD = nullptr;
    QAction* mnuHelpOnlineHelp = nullptr;
    QAction* mnuHelpAbout = nullptr;
    // Toolbar buttons 1..12 (separators included)
    std::array<QAction*, 13> tbButtons{};
    std::vector<QAction*> mnuFileFoundSub;  // element 0 is "No files found"
};

}  // namespace varnok
