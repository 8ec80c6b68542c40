// The preview pane below the file list: it follows the list's focused row.
#include <QItemSelectionModel>
#include <QSplitter>

#include "engine/EntryPreview.h"
#include "platform/AsciiCase.h"
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
    std::vector<EntryReader> textures;
    if (engine_.IsModelEntry(entry)) textures = PictureEntries();
    picPreview->ShowEntry(EntryReader::Take(engine_, entry), std::move(textures));
}

std::int32_t frmMain::FocusedEntry() const {
    const int row = FocusedRow();
    if (row < 1 || row > engine_.RowCount()) return 0;
    try {
        return std::stoi(engine_.Row(row)[Column::FileNr]);
    } catch (const std::exception&) {
        return 0;
    }
}

// The archive's TGA pictures, where a model's textures are looked for.
std::vector<EntryReader> frmMain::PictureEntries() const {
    std::vector<EntryReader> pictures;
    for (int row = 1; row <= engine_.RowCount(); ++row) {
        const std::string& name = engine_.Row(row)[Column::Filename];
        if (name.size() < 4 || !SameName(std::string_view(name).substr(name.size() - 4), ".tga")) continue;
        try {
            pictures.push_back(EntryReader::Take(engine_, std::stoi(engine_.Row(row)[Column::FileNr])));
        } catch (const std::exception&) {
        }
    }
    return pictures;
}

}  // namespace varnok
