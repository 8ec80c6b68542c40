#include "shell/FolderPane.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QStyle>

#include "platform/Drives.h"

namespace varnok {

namespace {

constexpr int kKeyRole = Qt::UserRole;

QIcon DriveIcon(DriveType type) {
    QStyle* style = QApplication::style();
    switch (type) {
        case DriveType::Removable: return style->standardIcon(QStyle::SP_DriveFDIcon);
        case DriveType::CdRom: return style->standardIcon(QStyle::SP_DriveCDIcon);
        case DriveType::Fixed: break;
    }
    return style->standardIcon(QStyle::SP_DriveHDIcon);
}

QDir::Filters FolderFilter() { return QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable; }

QStringList ArchiveFiles(const QDir& dir) {
    QStringList out;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase)) {
        if (FolderPane::IsArchiveName(name)) out << name;
    }
    return out;
}

}  // namespace

FolderPane::FolderPane(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemExpanded, this, &FolderPane::expand);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { onDoubleClicked(item); });
}

QString FolderPane::KeyOf(const QTreeWidgetItem* item) { return item ? item->data(0, kKeyRole).toString() : QString(); }

bool FolderPane::IsArchiveName(const QString& fileName) {
    return fileName.endsWith(QLatin1String(".rfh"), Qt::CaseInsensitive) ||
           fileName.endsWith(QLatin1String(".bag"), Qt::CaseInsensitive);
}

void FolderPane::SetDriveList() {
    clear();
    QTreeWidgetItem* firstFixed = nullptr;
    for (const Drive& drive : DriveList()) {
        auto* node = new QTreeWidgetItem(this, {QString::fromStdString(drive.text)});
        node->setData(0, kKeyRole, QString::fromStdString(drive.path));
        node->setIcon(0, DriveIcon(drive.type));
        addPlaceholder(node);
        if (!firstFixed && drive.type == DriveType::Fixed) firstFixed = node;
    }
    if (firstFixed) setCurrentItem(firstFixed);
}

void FolderPane::addPlaceholder(QTreeWidgetItem* node) { new QTreeWidgetItem(node, {QString()}); }

bool FolderPane::hasContents(const QString& folder) const {
    const QDir dir(folder);
    return !dir.entryList(FolderFilter()).isEmpty() || !ArchiveFiles(dir).isEmpty();
}

void FolderPane::expand(QTreeWidgetItem* node) {
    if (node->childCount() == 0 || !node->child(0)->text(0).isEmpty()) return;  // already read
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    delete node->takeChild(0);
    const QString key = KeyOf(node);
    const QDir dir(key);
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    for (const QString& name : dir.entryList(FolderFilter(), QDir::Name | QDir::IgnoreCase)) {
        const QString childKey = key + name + QLatin1Char('/');
        auto* child = new QTreeWidgetItem(node, {name});
        child->setData(0, kKeyRole, childKey);
        child->setIcon(0, folderIcon);
        if (hasContents(childKey)) addPlaceholder(child);
    }
    const QIcon archiveIcon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const QString& name : ArchiveFiles(dir)) {
        auto* child = new QTreeWidgetItem(node, {name});
        child->setData(0, kKeyRole, key + name);
        child->setIcon(0, archiveIcon);
    }
    QGuiApplication::restoreOverrideCursor();
}

void FolderPane::onDoubleClicked(QTreeWidgetItem* item) {
    const QString key = KeyOf(item);
    if (key.isEmpty() || key.endsWith(QLatin1Char('/'))) return;
    setEnabled(false);
    emit archiveActivated(key);
    setEnabled(true);
}

}  // namespace varnok
