#pragma once

#include <QTreeWidget>

namespace varnok {

// The folder pane: the drives, their folders and the archive files in them,
// read only when a node is first expanded. Each node's key is its full path; a
// folder's key ends in "/". A node that may have children carries one empty
// placeholder child until it is expanded.
class FolderPane : public QTreeWidget {
    Q_OBJECT
public:
    explicit FolderPane(QWidget* parent = nullptr);

    // Fills the top level with the drive list and selects the first fixed drive.
    void SetDriveList();

    static QString KeyOf(const QTreeWidgetItem* item);
    // Whether a file name matches the archive pattern "*.rfh ;*.bag", in any case.
    static bool IsArchiveName(const QString& fileName);

signals:
    void archiveActivated(const QString& path);

private:
    void expand(QTreeWidgetItem* node);
    void addPlaceholder(QTreeWidgetItem* node);
    bool hasContents(const QString& folder) const;
    void onDoubleClicked(QTreeWidgetItem* item);
};

}  // namespace varnok
