#pragma once

#include <QSortFilterProxyModel>
#include <QString>

#include "engine/ListRow.h"

namespace varnok {

class FileListModel;

// Whether row `a` comes before row `b` when the list is ordered by `column`:
// names and paths without regard to ASCII letter case, as the program compares
// names everywhere; "Packed" as its text; the sizes as the bytes the entry holds;
// "Ratio" and "File Nr" as the numbers they show.
bool RowLess(const ListRow& a, const ListRow& b, Column column);

// The filter box's text as a test of rows, without regard to ASCII letter case.
// Text without wildcards keeps the rows whose name or stored path contains it.
// Text with `*` (any run of characters) or `?` (one character) is a pattern that
// must match a whole name, a whole stored path, or the path and the name together:
// "*.tga" keeps the textures, "ui\*" the entries stored in a folder "UI".
class ListFilter {
public:
    explicit ListFilter(const QString& text = {});

    bool IsEmpty() const { return pattern_.isEmpty(); }
    bool Matches(const ListRow& row) const;

private:
    QString pattern_;  // plain text is kept as "*text*"
};

// The order and the narrowing of the file list. It sits between the engine's rows
// and the view, so a row of the view is not an entry number: the main window
// turns one into the other through the proxy's mapping, in one place.
class FileListProxy : public QSortFilterProxyModel {
    Q_OBJECT
public:
    FileListProxy(FileListModel* source, QObject* parent);

    void SetFilterText(const QString& text);
    bool IsFiltering() const { return !filter_.IsEmpty(); }

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    const FileListModel& source_;
    ListFilter filter_;
};

}  // namespace varnok
