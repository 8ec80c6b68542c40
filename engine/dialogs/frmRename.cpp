#include "engine/dialogs/frmRename.h"

#include <QGridLayout>
#include <QLineEdit>

#include "engine/dialogs/DialogParts.h"
#include "engine/mVarnokEngine.h"

namespace varnok {
using namespace dialog_parts;

namespace {

const QString kRenameCaption = QStringLiteral("Rename");

std::string OriginalText(const mVarnokEngine& engine, frmRename::Mode mode, int row) {
    if (row < 1 || row > engine.RowCount()) return {};
    return engine.Row(row)[mode == frmRename::Mode::RenameFile ? Column::Filename : Column::Path];
}

frmRename::Actions EngineActions(mVarnokEngine& engine) {
    return {[&engine](const std::string& typed) { engine.ConfirmRename(typed); },
            [&engine](const std::string& typed) { engine.ConfirmChangePath(typed); }};
}

}  // namespace

frmRename::frmRename(QWidget* parent, mVarnokEngine& engine, Mode mode, int currentRow)
    : frmRename(parent, mode, OriginalText(engine, mode, currentRow), EngineActions(engine)) {}

frmRename::frmRename(QWidget* parent, Mode mode, const std::string& original, Actions actions)
    : QDialog(parent), actions_(std::move(actions)) {
    setAttribute(Qt::WA_DeleteOnClose);
    const bool renaming = mode == Mode::RenameFile;
    setWindowTitle(renaming ? kRenameCaption : tr("Change path"));

    txtOrig_ = new QLineEdit(FromUtf8(original), this);
    txtOrig_->setObjectName(QStringLiteral("txtOrig"));
    txtOrig_->setReadOnly(true);
    txtOrig_->setMinimumWidth(300);
    label2_ = Label(this, renaming ? tr("Current filename:") : tr("Current path:"), txtOrig_, "Label2");
    // Starts with the current text, selected: typing replaces it, an arrow key edits it.
    txtName_ = new QLineEdit(FromUtf8(original), this);
    txtName_->setObjectName(QStringLiteral("txtName"));
    txtName_->selectAll();
    label1_ = Label(this, renaming ? tr("Rename file to:") : tr("Change path to:"), txtName_, "Label1");
    cmdOk_ = Button(this, "cmdOk", tr("&Ok"));
    cmdCancel_ = Button(this, "cmdCancel", tr("&Cancel"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(label2_, 0, 0);
    layout->addWidget(txtOrig_, 1, 0);
    layout->addWidget(label1_, 2, 0);
    layout->addWidget(txtName_, 3, 0);
    layout->setRowMinimumHeight(4, 6);
    // Ok is the default button, so Enter in txtName confirms.
    layout->addWidget(CommandRow(this, cmdOk_, cmdCancel_), 5, 0);

    connect(cmdOk_, &QPushButton::clicked, this, &frmRename::confirm);
    connect(cmdCancel_, &QPushButton::clicked, this, &QWidget::close);
    txtName_->setFocus();
    resize(sizeHint());
}

frmRename* frmRename::ShowRenameFile(QWidget* parent, mVarnokEngine& engine, int currentRow) {
    auto* dialog = new frmRename(parent, engine, Mode::RenameFile, currentRow);
    dialog->show();
    return dialog;
}

frmRename* frmRename::ShowChangePath(QWidget* parent, mVarnokEngine& engine, int currentRow) {
    auto* dialog = new frmRename(parent, engine, Mode::ChangePath, currentRow);
    dialog->show();
    return dialog;
}

void frmRename::confirm() {
    const std::string typed = ToUtf8(txtName_->text());
    // The caption tells which command this dialog runs.
    const auto run = windowTitle() == kRenameCaption ? actions_.rename : actions_.changePath;
    setEnabled(false);
    if (run) run(typed);
    close();
}

}  // namespace varnok
