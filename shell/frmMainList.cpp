// The file list's order and filter, and the mapping between its rows and entries.
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "shell/FileListModel.h"
#include "shell/FileListProxy.h"
#include "shell/frmMain.h"

namespace varnok {

namespace {}

QWidget* frmMain::BuildListPane() {
    listPane_ = new QWidget;
    listPane_->setObjectName(QStringLiteral("listPane"));
    txtFilter = new FilterBox;
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setPlaceholderText(QStringLiteral("Filter"));
    txtFilter->hide();
    lstFiles = new FileListView;
    lstFiles->setObjectName(QStringLiteral("lstFiles"));
    model_ = new FileListModel(engine_.Rows(), this);
    model_->setDragExtractor([this](const std::vector<int>& rows) { return ExtractForDrag(rows); });
    proxy_ = new FileListProxy(model_, this);
    lstFiles->setModel(proxy_);
    SizeColumnsForGameNames();
    auto* layout = new QVBoxLayout(listPane_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(txtFilter);
    layout->addWidget(lstFiles, 1);
    return listPane_;
}

int frmMain::EntryOfView(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != proxy_) return 0;
    const QModelIndex entry = proxy_->mapToSource(index);
    return entry.isValid() ? entry.row() + 1 : 0;
}

QModelIndex frmMain::ViewOfEntry(int entry) const {
    if (entry < 1 || entry > model_->rowCount()) return {};
    return proxy_->mapFromSource(model_->index(entry - 1, 0));
}

void frmMain::ConnectFilter() {
    // The header flips its arrow on each click (a new column starts ascending);
    // the rows follow the arrow.
    connect(lstFiles->header(), &QHeaderView::sortIndicatorChanged, proxy_,
            [this](int column, Qt::SortOrder order) { proxy_->sort(column, order); });

    mnuViewFilter->setCheckable(true);
    mnuViewFilter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    mnuViewFilter->setStatusTip(
        QStringLiteral("Show only the entries whose name or path contains the text; with * or ? the pattern must "
                       "match a whole name or path"));
    connect(mnuViewFilter, &QAction::toggled, this, &frmMain::FilterToggled);
    connect(txtFilter, &QLineEdit::textChanged, this, &frmMain::ApplyFilter);
    connect(txtFilter, &FilterBox::escapePressed, mnuViewFilter, [this] { mnuViewFilter->setChecked(false); });
    connect(txtFilter, &FilterBox::leaveToList, lstFiles, [this] { lstFiles->setFocus(); });
    connect(lstFiles, &FileListView::typed, this, &frmMain::StartFilterWith);
    connect(lstFiles, &FileListView::escapePressed, mnuViewFilter, [this] { mnuViewFilter->setChecked(false); });

    // Panel 2 counts the rows shown while a filter is on, whatever changed them.
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(proxy_, signal, this, &frmMain::ShowCount);
    }
    connect(proxy_, &QAbstractItemModel::modelReset, this, &frmMain::ShowCount);
}

void frmMain::FilterToggled(bool on) {
    // A shortcut during a long operation must not change the rows it works through.
    if (!listPane_->isEnabled()) {
        const QSignalBlocker still(mnuViewFilter);
        mnuViewFilter->setChecked(!on);
        return;
    }
    txtFilter->setVisible(on);
    if (on) {
        txtFilter->setFocus();
        txtFilter->selectAll();
    } else {
        txtFilter->clear();
        lstFiles->setFocus();
    }
}

void frmMain::StartFilterWith(const QString& typed) {
    const QString text = mnuViewFilter->isChecked() ? txtFilter->text() + typed : typed;
    mnuViewFilter->setChecked(true);
    txtFilter->setText(text);
    txtFilter->setFocus();
    txtFilter->deselect();
    txtFilter->end(false);
}

// Rows the filter hides leave the view and so the selection: commands must never
// act on rows the user cannot see. When the filter goes, they come back unselected.
void frmMain::ApplyFilter(const QString& text) {
    proxy_->SetFilterText(text);
    const QModelIndex current = lstFiles->selectionModel()->currentIndex();
    if (current.isValid()) lstFiles->scrollTo(current);
    engine_.UpdateSelection();
    ShowCount();
}

void frmMain::ShowCount() {
    const bool narrowed = proxy_->IsFiltering() && model_->rowCount() > 0;
    panels_[static_cast<std::size_t>(Panel::Count) - 1]->setText(
        narrowed ? QStringLiteral("%1 of %2 Files").arg(proxy_->rowCount()).arg(model_->rowCount()) : engineCount_);
}

}  // namespace varnok
