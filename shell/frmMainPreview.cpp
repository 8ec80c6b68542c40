// The preview pane below the file list: it follows the list's focused row.
#include <QItemSelectionModel>
#include <QSplitter>

#include "engine/EntryPreview.h"
#include "shell/FileListModel.h"
#include "shell/frmMain.h"
#include "shell/preview/PreviewPane.h"

namespace varnok {

QWidget* frmMain::BuildListAndPreview() {
    picPreview = new PreviewPane;
    listSplitter_ = new QSplitter(Qt::Vertical);
    listSplitter_->setObjectName(QStringLiteral("picListSplitter"));
    listSplitter_->setChildrenCollapsible(false);
    listSplitter_->addWidget(BuildListPane());
    listSplitter_->addWidget(picPreview);
    listSplitter_->setStretchFactor(0, 3);
    listSplitter_->setStretchFactor(1, 2);
    return listSplitter_;
}

void frmMain::ConnectPreview() {
    connect(lstFiles->selectionModel(), &QItemSelectionModel::currentChanged, this, &frmMain::UpdatePreview);
    // A new listing or a changed row may change what the focused row holds.
    connect(model_, &QAbstractItemModel::modelReset, this, &frmMain::UpdatePreview);
    connect(model_, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& from, const QModelIndex& to) {
        const int row = FocusedRow();
        if (row >= from.row() + 1 && row <= to.row() + 1) UpdatePreview();
    });
}

void frmMain::ShowPreview(bool on) {
    picPreview->setVisible(on);
    if (on) {
        UpdatePreview();
    } else {
        picPreview->Clear();  // stops a sound that plays
    }
}

void frmMain::UpdatePreview() {
    if (!mnuViewPreview->isChecked()) return;
    const int row = FocusedRow();
    if (row < 1 || row > engine_.RowCount()) {
        picPreview->Clear();
        return;
    }
    std::int32_t entry = 0;
    try {
        entry = std::stoi(engine_.Row(row)[Column::FileNr]);
    } catch (const std::exception&) {
        picPreview->Clear();
        return;
    }
    picPreview->ShowEntry(EntryReader::Take(engine_, entry));
}

}  // namespace varnok
