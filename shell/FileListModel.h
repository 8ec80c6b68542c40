#pragma once

#include <QAbstractTableModel>
#include <QLineEdit>
#include <QTreeView>
#include <functional>
#include <vector>

#include "engine/ListRow.h"

namespace varnok {

// The file list's model: a view of the rows the engine holds. The engine changes
// its rows first and then says what changed, so the model only forwards those
// notices to the view and never keeps a copy. Its row k - 1 is entry k; the view
// sees it sorted and filtered through a FileListProxy.
class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Extracts the given rows (1-based) for a drag out of the list and returns the
    // files written.
    using DragExtractor = std::function<QList<QUrl>(const std::vector<int>& rows)>;

    explicit FileListModel(const std::vector<ListRow>& rows, QObject* parent = nullptr);

    void setDragExtractor(DragExtractor extractor) { dragExtractor_ = std::move(extractor); }

    void rowsReset();
    void rowsAppended(int first, int count);
    void rowRemoved(int row);
    void rowChanged(int row);

    // The engine's row behind model row `row` (0-based); an empty row while the
    // engine's table and the rows the view was told of differ.
    const ListRow& Row(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

private:
    const std::vector<ListRow>& rows_;
    int shownRows_ = 0;  // the row count the view was last told of
    DragExtractor dragExtractor_;
};

// The report-style list: multi-selection, movable columns, drops of files from the
// desktop, and the mouse press and release the selection totals wait for.
class FileListView : public QTreeView {
    Q_OBJECT
public:
    explicit FileListView(QWidget* parent = nullptr);

signals:
    void mousePressed();
    void mouseReleased(Qt::MouseButton button, QPoint position);
    // `storedFolder`: the "Path" cell of the row they were dropped on, "" for none.
    void filesDropped(const QStringList& paths, const QString& storedFolder);
    // A printable character typed on the list, which starts a filter.
    void typed(const QString& text);
    void escapePressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// The filter box above the list. Escape is its own while it has the focus, and
// the arrow keys and Enter hand the focus back to the list.
class FilterBox : public QLineEdit {
    Q_OBJECT
public:
    explicit FilterBox(QWidget* parent = nullptr);

signals:
    void escapePressed();
    void leaveToList();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace varnok
