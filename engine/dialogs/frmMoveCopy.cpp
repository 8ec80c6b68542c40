#include "engine/dialogs/frmMoveCopy.h"

#include <QApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>

#include "engine/TextRules.h"
#include "engine/dialogs/DialogParts.h"
#include "engine/mVarnokEngine.h"

namespace varnok {
using namespace dialog_parts;

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kDriveRole = Qt::UserRole + 1;

QIcon StandardIcon(QStyle::StandardPixmap pixmap) { return QApplication::style()->standardIcon(pixmap); }

QIcon DriveIcon(DriveType type) {
    switch (type) {
        case DriveType::Removable: return StandardIcon(QStyle::SP_DriveFDIcon);
        case DriveType::CdRom: return StandardIcon(QStyle::SP_DriveCDIcon);
        case DriveType::Fixed: break;
    }
    return StandardIcon(QStyle::SP_DriveHDIcon);
}

QString KeyOf(const QTreeWidgetItem* item) { return item ? item->data(0, kKeyRole).toString() : QString(); }

void AddPlaceholder(QTreeWidgetItem* node) { new QTreeWidgetItem(node, {QString()}); }

constexpr QDir::Filters kFolders = QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable;

bool HasSubfolders(const QString& folder) { return QDirIterator(folder, kFolders).hasNext(); }

// Puts the busy pointer up for as long as it lives.
struct BusyPointer {
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

}  // namespace

frmMoveCopy::frmMoveCopy(QWidget* parent, mVarnokEngine& engine, Mode mode)
    : frmMoveCopy(parent, mode, engine.ArchivePath(), DriveList(),
                  [&engine, mode](const std::string& source, const std::string& folder) {
                      mode == Mode::Copy ? engine.CopyArchive(source, folder) : engine.MoveArchive(source, folder);
                  }) {}

frmMoveCopy::frmMoveCopy(QWidget* parent, Mode mode, std::string source, const std::vector<Drive>& drives,
                         TransferFn transfer)
    : QDialog(parent), source_(std::move(source)), transfer_(std::move(transfer)) {
    setAttribute(Qt::WA_DeleteOnClose);
    const bool copy = mode == Mode::Copy;
    setWindowTitle(copy ? tr("Copy") : tr("Move"));
    deviceUnavailable = [this] {
        QMessageBox::critical(this, QStringLiteral("WinMPK - Extract"), QStringLiteral("Device not avaible!"));
    };

    refuse = MessageBoxRefusal(this);
    // The destination is typed, pasted or picked in the tree; Ok checks it.
    text1_ = new QLineEdit(this);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setMinimumWidth(320);
    label1_ = Label(this, copy ? tr("Copy to:") : tr("Move to:"), text1_, "Label1");
    tvwFolders_ = new QTreeWidget(this);
    tvwFolders_->setObjectName(QStringLiteral("tvwFolders"));
    tvwFolders_->setHeaderHidden(true);
    tvwFolders_->setColumnCount(1);
    tvwFolders_->setUniformRowHeights(true);
    tvwFolders_->setMinimumHeight(260);
    cmdOk_ = Button(this, "cmdOk", tr("&Ok"));
    cmdCancel_ = Button(this, "cmdCancel", tr("&Cancel"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(label1_, 0, 0);
    layout->addWidget(text1_, 1, 0);
    layout->addWidget(Label(this, tr("Folders and disk drives"), tvwFolders_, "Label2"), 2, 0);
    layout->addWidget(tvwFolders_, 3, 0);
    layout->setRowStretch(3, 1);
    layout->setRowMinimumHeight(4, 6);
    layout->addWidget(CommandRow(this, cmdOk_, cmdCancel_), 5, 0);

    // The destination is the highlighted folder, however it came to be highlighted
    // (a click, the keys, a collapse), and Ok waits until there is one.
    connect(tvwFolders_, &QTreeWidget::itemExpanded, this, &frmMoveCopy::expand);
    connect(tvwFolders_, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> chosen = tvwFolders_->selectedItems();
        text1_->setText(chosen.isEmpty() ? QString() : KeyOf(chosen.front()));
    });
    connect(text1_, &QLineEdit::textChanged, this,
            [this](const QString& text) { cmdOk_->setEnabled(!text.trimmed().isEmpty()); });
    connect(tvwFolders_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        tvwFolders_->setCurrentItem(item);
        if (!item->data(0, kDriveRole).toBool()) item->setIcon(0, StandardIcon(QStyle::SP_DirClosedIcon));
    });
    cmdOk_->setEnabled(false);
    connect(cmdOk_, &QPushButton::clicked, this, &frmMoveCopy::confirm);
    connect(cmdCancel_, &QPushButton::clicked, this, &QWidget::close);
    fillTree(drives);
    resize(sizeHint());
}

frmMoveCopy* frmMoveCopy::ShowCopy(QWidget* parent, mVarnokEngine& engine) {
    auto* dialog = new frmMoveCopy(parent, engine, Mode::Copy);
    dialog->show();
    return dialog;
}

frmMoveCopy* frmMoveCopy::ShowMove(QWidget* parent, mVarnokEngine& engine) {
    auto* dialog = new frmMoveCopy(parent, engine, Mode::Move);
    dialog->show();
    return dialog;
}

void frmMoveCopy::fillTree(const std::vector<Drive>& drives) {
    tvwFolders_->clear();
    for (const Drive& drive : drives) {
        // The drive list names each place in capitals already; the path in its
        // label is a real one, and Linux paths are case-sensitive.
        auto* node = new QTreeWidgetItem(tvwFolders_, {FromUtf8(drive.text)});
        node->setData(0, kKeyRole, FromUtf8(WithTrailingSlash(drive.path)));
        node->setData(0, kDriveRole, true);
        node->setIcon(0, DriveIcon(drive.type));
        AddPlaceholder(node);
    }
}

void frmMoveCopy::expand(QTreeWidgetItem* node) {
    if (node->childCount() == 0 || !node->child(0)->text(0).isEmpty()) return;  // read before
    const BusyPointer busy;
    const QString key = KeyOf(node);
    const QFileInfo folder(key);
    const bool drive = node->data(0, kDriveRole).toBool();
    if (!folder.isDir() || !folder.isReadable()) {
        // A drive that is not there (a medium taken out) is said so, and can be
        // tried again; a folder that cannot be read simply shows nothing.
        if (drive) {
            const QSignalBlocker quiet(tvwFolders_);
            node->setExpanded(false);
            if (deviceUnavailable) deviceUnavailable();
        } else {
            delete node->takeChild(0);
        }
        return;
    }
    delete node->takeChild(0);
    const QIcon closed = StandardIcon(QStyle::SP_DirClosedIcon);
    for (const QString& name : QDir(key).entryList(kFolders, QDir::Name | QDir::IgnoreCase)) {
        const QString childKey = key + name + QLatin1Char('/');
        auto* child = new QTreeWidgetItem(node, {name});
        child->setData(0, kKeyRole, childKey);
        child->setIcon(0, closed);
        if (HasSubfolders(childKey)) AddPlaceholder(child);
    }
    if (!drive) node->setIcon(0, StandardIcon(QStyle::SP_DirOpenIcon));
}

void frmMoveCopy::confirm() {
    const QString typed = TypedDiskPath(text1_->text());
    if (typed.isEmpty()) return;
    if (const QString why = RefusalOfFolder(typed); !why.isEmpty()) {
        if (refuse) refuse(why);
        return;
    }
    const std::string folder = WithTrailingSlash(ToUtf8(typed));
    const std::string source = source_;
    const TransferFn run = transfer_;
    close();
    if (run) run(source, folder);
}

}  // namespace varnok
