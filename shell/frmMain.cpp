// The main window's widgets and their events.
#include "shell/frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "engine/dialogs/frmLogo.h"
#include "platform/Folders.h"
#include "shell/FileListModel.h"
#include "shell/FileListProxy.h"
#include "shell/FolderPane.h"
#include "shell/MainSettings.h"

namespace varnok {

namespace {

// The columns' design widths. Name and path are wide enough for the game's long
// names and folders; the numbers need less.
constexpr std::array<int, kColumnCount> kColumnDesignTwips = {3600, 800, 1300, 1400, 800, 3000, 900};
constexpr int kFolderPaneDesignTwips = 2800;
constexpr int kDesignHeightTwips = 7200;
// Texts each column shows whole at its design width, in any font: a name and a
// folder as long as the game's longest, and the widest numbers.
constexpr std::array<const char*, kColumnCount> kColumnSampleTexts = {
    "=AT_overhangwall_D_01.xbf", "Packed", "999.00 KB", "Original Size", "100.00%",
    "MAPS\\#M70 Claw Rock\\",    "File Nr"};

}  // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent), engine_(*this), settings_(std::make_unique<MainSettings>()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Varnok 2"));
    setWindowIcon(style()->standardIcon(QStyle::SP_DirIcon));
    BuildWidgets();
    BuildMenus();
    BuildToolbar();
    ConnectList();
    ConnectPreview();
    settings_->setOnRecentChanged([this] { RefreshRecentMenu(); });
    settings_->setOnFavoritesChanged([this] { RefreshFavoritesMenu(); });
    // As far as the screen allows.
    const QScreen* shown = screen();
    resize(shown ? DesignSize().boundedTo(shown->availableGeometry().size()) : DesignSize());
}

QSize frmMain::DesignSize() const {
    int list = 2 * lstFiles->frameWidth() + lstFiles->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < kColumnCount; ++c) list += lstFiles->header()->sectionSize(c);
    return {ToPixels(kFolderPaneDesignTwips) + imgSplitter->handleWidth() + list + 16, ToPixels(kDesignHeightTwips)};
}

void frmMain::SizeColumnsForGameNames() {
    QHeaderView* header = lstFiles->header();
    const QFontMetrics cells(lstFiles->font()), captions(header->font());
    const int padding = 2 * lstFiles->style()->pixelMetric(QStyle::PM_HeaderMargin) + 12;
    for (int c = 0; c < kColumnCount; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const int text = std::max(cells.horizontalAdvance(QString::fromUtf8(kColumnSampleTexts[i])),
                                  captions.horizontalAdvance(QString::fromUtf8(kColumnCaptions[i])));
        header->resizeSection(c, std::max(ToPixels(kColumnDesignTwips[i]), text + padding));
    }
}

// The file list's model reads the engine's rows, and the engine, a member, is
// gone before QWidget's destructor deletes the child widgets: the panes go first,
// while what they read is still there.
frmMain::~frmMain() { delete imgSplitter; }

int frmMain::ToTwips(int pixels) const {
    const double dpi = screen() ? screen()->logicalDotsPerInch() : 96.0;
    return static_cast<int>(std::lround(pixels * 1440.0 / dpi));
}

int frmMain::ToPixels(int twips) const {
    const double dpi = screen() ? screen()->logicalDotsPerInch() : 96.0;
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

void frmMain::BuildWidgets() {
    fmeFolders = new QWidget;
    fmeFolders->setObjectName(QStringLiteral("fmeFolders"));
    imgTitle1 = new QLabel(QStringLiteral("<b>Folders</b>"));
    imgTitle1->setObjectName(QStringLiteral("imgTitle1"));
    tvFiles = new FolderPane;
    tvFiles->setObjectName(QStringLiteral("tvFiles"));
    auto* folderLayout = new QVBoxLayout(fmeFolders);
    folderLayout->setContentsMargins(2, 2, 0, 2);
    folderLayout->addWidget(imgTitle1);
    folderLayout->addWidget(tvFiles);

    picInfo = new QWidget;
    picInfo->setObjectName(QStringLiteral("picInfo"));
    lblFilename = new QLabel;
    lblFilename->setObjectName(QStringLiteral("lblFilename"));
    lblFilename->setTextInteractionFlags(Qt::TextSelectableByMouse);
    picProgress = new QProgressBar;
    picProgress->setObjectName(QStringLiteral("picProgress"));
    picProgress->setRange(0, 1000);
    picProgress->setTextVisible(false);
    picProgress->setMaximumHeight(ToPixels(150));
    picProgress->hide();
    chkReadOnly = new QCheckBox(QStringLiteral("&Read Only"));
    chkReadOnly->setObjectName(QStringLiteral("chkReadOnly"));
    connect(chkReadOnly, &QCheckBox::clicked, this, &frmMain::UserReadOnlyClicked);
    imgIcon = new QLabel;
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setPixmap(style()->standardIcon(QStyle::SP_DriveHDIcon).pixmap(32, 32));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setFocusPolicy(Qt::NoFocus);
    cmdCancel->hide();
    connect(cmdCancel, &QPushButton::clicked, this, &frmMain::RequestCancel);
    // Escape cancels only while a long operation runs, so it is free for every
    // other use the rest of the time.
    actCancel = new QAction(QStringLiteral("Cancel"), this);
    actCancel->setObjectName(QStringLiteral("actCancel"));
    actCancel->setShortcut(QKeySequence(Qt::Key_Escape));
    actCancel->setShortcutContext(Qt::WindowShortcut);
    actCancel->setEnabled(false);
    addAction(actCancel);
    connect(actCancel, &QAction::triggered, this, &frmMain::RequestCancel);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(picProgress, 1);
    progressRow->addWidget(cmdCancel);
    auto* infoText = new QVBoxLayout;
    infoText->addWidget(lblFilename);
    infoText->addLayout(progressRow);
    auto* infoLayout = new QHBoxLayout(picInfo);
    infoLayout->setContentsMargins(4, 2, 4, 2);
    infoLayout->addLayout(infoText, 1);
    infoLayout->addWidget(chkReadOnly);
    infoLayout->addWidget(imgIcon);

    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(2);
    rightLayout->addWidget(picInfo);
    rightLayout->addWidget(BuildListAndPreview(), 1);

    imgSplitter = new QSplitter(Qt::Horizontal);
    imgSplitter->setObjectName(QStringLiteral("imgSplitter"));
    imgSplitter->setOpaqueResize(false);  // a drag indicator moves; the panes follow on release
    imgSplitter->setChildrenCollapsible(false);
    imgSplitter->addWidget(fmeFolders);
    imgSplitter->addWidget(right);
    imgSplitter->setStretchFactor(1, 1);
    // The splitter stays 1000 twips away from either side of the window.
    fmeFolders->setMinimumWidth(ToPixels(1000));
    right->setMinimumWidth(ToPixels(1000));
    imgSplitter->setSizes({ToPixels(kFolderPaneDesignTwips), ToPixels(9600)});
    connect(imgSplitter, &QSplitter::splitterMoved, this, [this](int pos, int) {
        settings_->Write("Size", "Splitter", std::to_string(ToTwips(pos) - 10));
        settings_->Write("Folders", "Width", std::to_string(ToTwips(fmeFolders->width())));
    });
    setCentralWidget(imgSplitter);

    for (std::size_t i = 0; i < panels_.size(); ++i) {
        panels_[i] = new QLabel;
        panels_[i]->setObjectName(QStringLiteral("sbPanel%1").arg(i + 1));
        statusBar()->addWidget(panels_[i], i == 0 ? 1 : 0);
    }
    statusBar()->setObjectName(QStringLiteral("sbStatusBar"));
    statusBar()->hide();

    connect(tvFiles, &FolderPane::archiveActivated, this,
            [this](const QString& path) { engine_.OpenArchive(path.toStdString()); });
}

void frmMain::ConnectList() {
    connect(lstFiles, &FileListView::mousePressed, this, [this] { engine_.ListMouseDown = true; });
    connect(lstFiles, &FileListView::mouseReleased, this, [this](Qt::MouseButton button, QPoint position) {
        engine_.ListMouseReleased();
        if (button == Qt::RightButton) ShowContextMenu(position);
    });
    // Keyboard selection and clicks recompute the totals, once per burst of changes;
    // a drag-selection waits for the mouse release.
    auto* selectionTimer = new QTimer(this);
    selectionTimer->setSingleShot(true);
    selectionTimer->setInterval(0);
    connect(selectionTimer, &QTimer::timeout, this, [this] {
        if (!engine_.ListMouseDown) engine_.UpdateSelection();
    });
    connect(lstFiles->selectionModel(), &QItemSelectionModel::selectionChanged, selectionTimer,
            qOverload<>(&QTimer::start));
    connect(lstFiles->selectionModel(), &QItemSelectionModel::currentChanged, selectionTimer,
            qOverload<>(&QTimer::start));
    connect(lstFiles, &QAbstractItemView::doubleClicked, this, [this] { engine_.ViewFile(); });
    connect(lstFiles->header(), &QHeaderView::sectionClicked, this, [this] { SaveColumns(); });
    ConnectFilter();
    connect(lstFiles, &FileListView::filesDropped, this, [this](const QStringList& paths, const QString& stored) {
        // With no archive open there is nothing to add to.
        if (engine_.ArchivePath().empty()) return;
        std::vector<std::string> files;
        for (const QString& p : paths) files.push_back(p.toStdString());
        engine_.AddDroppedFiles(files, stored.toStdString());
    });
}

void frmMain::SaveColumns() {
    QHeaderView* header = lstFiles->header();
    for (int i = 1; i <= 6; ++i) {
        const std::string section = "Column" + std::to_string(i);
        settings_->Write(section, "Left", std::to_string(ToTwips(header->sectionPosition(i - 1))));
        settings_->Write(section, "Width", std::to_string(ToTwips(header->sectionSize(i - 1))));
        settings_->Write(section, "Position", std::to_string(header->visualIndex(i - 1)));
    }
}

void frmMain::ShowContextMenu(QPoint position) {
    const QPoint global = lstFiles->viewport()->mapToGlobal(position) + QPoint(ToPixels(60), ToPixels(60));
    logo_ = frmLogo::ShowBeside(this, global);
    mnuAction->setDefaultAction(mnuActionViewFile);
    // The menu may be moved to fit the screen; once it is up, the logo moves
    // beside wherever it went.
    QTimer::singleShot(0, this, [this] { PlaceLogoBesideMenu(); });
    mnuAction->exec(global + QPoint(frmLogo::kWidth, 0));
    HideLogo();
}

// Left of the menu where the screen has room, else right of it; never under it.
void frmMain::PlaceLogoBesideMenu() {
    if (!logo_ || !mnuAction->isVisible()) return;
    const QRect menu = mnuAction->geometry();
    const QScreen* shown = mnuAction->screen();
    const int screenLeft = shown ? shown->availableGeometry().left() : 0;
    const int left = menu.left() - logo_->width() >= screenLeft ? menu.left() - logo_->width() : menu.right() + 1;
    logo_->move(left, menu.top());
}

void frmMain::HideLogo() {
    if (logo_) logo_->close();
}

void frmMain::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) HideLogo();
    QMainWindow::changeEvent(event);
}

QList<QUrl> frmMain::ExtractForDrag(const std::vector<int>& rows) {
    // Dragged entries are written to a folder of their own under the view folder,
    // kept until the program ends, and offered as plain files.
    QList<QUrl> urls;
    for (int row : rows) {
        if (row < 1 || row > engine_.RowCount()) continue;
        const std::filesystem::path written = engine_.ExtractEntryInto(row, ViewFolder() / "drag");
        if (!written.empty()) urls << QUrl::fromLocalFile(QString::fromStdString(written.string()));
    }
    return urls;
}

// Both act on the rows the filter shows: the view's model is the proxy.
void frmMain::SelectAll() {
    lstFiles->selectAll();
    engine_.UpdateSelection();
}

void frmMain::InvertSelection() {
    QItemSelectionModel* selection = lstFiles->selectionModel();
    const int rows = proxy_->rowCount();
    if (rows == 0) return;
    const QItemSelection all(proxy_->index(0, 0), proxy_->index(rows - 1, kColumnCount - 1));
    selection->select(all, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
    engine_.UpdateSelection();
}

}  // namespace varnok
