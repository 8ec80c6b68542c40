#include "shell/FileListModel.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <algorithm>

namespace varnok {

FileListModel::FileListModel(const std::vector<ListRow>& rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows), shownRows_(static_cast<int>(rows.size())) {}

void FileListModel::rowsReset() {
    beginResetModel();
    shownRows_ = static_cast<int>(rows_.size());
    endResetModel();
}

void FileListModel::rowsAppended(int first, int count) {
    if (count <= 0) return;
    beginInsertRows({}, first - 1, first + count - 2);
    shownRows_ += count;
    endInsertRows();
}

void FileListModel::rowRemoved(int row) {
    beginRemoveRows({}, row - 1, row - 1);
    --shownRows_;
    endRemoveRows();
}

void FileListModel::rowChanged(int row) { emit dataChanged(index(row - 1, 0), index(row - 1, kColumnCount - 1)); }

const ListRow& FileListModel::Row(int row) const {
    static const ListRow kNone;
    return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[static_cast<std::size_t>(row)] : kNone;
}

int FileListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shownRows_; }

int FileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()) || index.column() >= kColumnCount) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        return QString::fromStdString(
            rows_[static_cast<std::size_t>(index.row())].cells[static_cast<std::size_t>(index.column())]);
    }
    if (role == Qt::TextAlignmentRole && index.column() >= 2 && index.column() != 5) {
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount) return {};
    return QString::fromUtf8(kColumnCaptions[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList FileListModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

// A drag from the sorted, filtered view arrives here through the proxy, which hands
// over this model's indexes: their rows are entry positions, not view positions.
QMimeData* FileListModel::mimeData(const QModelIndexList& indexes) const {
    if (!dragExtractor_) return nullptr;
    std::vector<int> rows;
    for (const QModelIndex& i : indexes) {
        if (i.column() == 0) rows.push_back(i.row() + 1);
    }
    std::sort(rows.begin(), rows.end());
    const QList<QUrl> urls = dragExtractor_(rows);
    if (urls.isEmpty()) return nullptr;
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

FileListView::FileListView(QWidget* parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    header()->setSectionsMovable(true);
    // A click on a column caption sorts by it and saves the column layout. Until
    // the first click the rows stand in entry order, with no arrow shown.
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    header()->setStretchLastSection(false);
}

void FileListView::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    // A space is left to the list, and is no way to start a filter anyway.
    if (!command && !text.isEmpty() && text.front().isPrint() && !text.front().isSpace()) {
        emit typed(text);
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        emit escapePressed();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void FileListView::mousePressEvent(QMouseEvent* event) {
    emit mousePressed();
    QTreeView::mousePressEvent(event);
}

void FileListView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    emit mouseReleased(event->button(), event->position().toPoint());
}

namespace {
bool CarriesLocalFiles(const QMimeData* mime) {
    if (!mime || !mime->hasUrls()) return false;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) return true;
    }
    return false;
}
}  // namespace

void FileListView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->source() != this && CarriesLocalFiles(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void FileListView::dragMoveEvent(QDragMoveEvent* event) {
    if (event->source() != this && CarriesLocalFiles(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void FileListView::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    const QModelIndex target = indexAt(event->position().toPoint());
    const QString storedFolder =
        target.isValid() ? target.siblingAtColumn(static_cast<int>(Column::Path)).data().toString() : QString();
    if (!paths.isEmpty()) emit filesDropped(paths, storedFolder);
}

FilterBox::FilterBox(QWidget* parent) : QLineEdit(parent) { setClearButtonEnabled(true); }

bool FilterBox::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void FilterBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape: emit escapePressed(); return;
        case Qt::Key_Down:
        case Qt::Key_Up:
        case Qt::Key_Return:
        case Qt::Key_Enter: emit leaveToList(); return;
        default: QLineEdit::keyPressEvent(event);
    }
}

}  // namespace varnok
