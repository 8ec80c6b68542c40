#include "engine/dialogs/frmExtractAll.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>

#include "engine/TextRules.h"
#include "engine/dialogs/DialogParts.h"
#include "engine/mVarnokEngine.h"

namespace varnok {
using namespace dialog_parts;

frmExtractAll::frmExtractAll(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse)
    : frmExtractAll(
          parent,
          [&engine](const std::string& folder, bool overwrite, bool keepStructure, bool askOverwrite) {
              engine.ExtractAllFiles(folder, overwrite, keepStructure, askOverwrite);
          },
          std::move(browse)) {}

frmExtractAll::frmExtractAll(QWidget* parent, ExtractAllFn extractAll, BrowseForFolderFn browse)
    : QDialog(parent), extractAll_(std::move(extractAll)), browse_(std::move(browse)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Extract all files to..."));

    txtDir_ = new QLineEdit(this);
    txtDir_->setObjectName(QStringLiteral("txtDir"));
    txtDir_->setMinimumWidth(320);
    cmdBrowse_ = Button(this, "cmdBrowse", tr("&Browse..."));
    check1_ = new QCheckBox(tr("Keep directory structure"), this);
    check1_->setObjectName(QStringLiteral("Check1"));
    check2_ = new QCheckBox(tr("Overwrite existing files"), this);
    check2_->setObjectName(QStringLiteral("Check2"));
    cmdExtractAll_ = Button(this, "cmdExtractAll", tr("&Extract All"));
    cmdCancel_ = Button(this, "cmdCancel", tr("&Cancel"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(Label(this, tr("Extract all files to:"), txtDir_), 0, 0, 1, 2);
    layout->addWidget(txtDir_, 1, 0);
    layout->addWidget(cmdBrowse_, 1, 1);
    layout->addWidget(check1_, 2, 0, 1, 2);
    layout->addWidget(check2_, 3, 0, 1, 2);
    layout->setRowMinimumHeight(4, 6);
    layout->addWidget(CommandRow(this, cmdExtractAll_, cmdCancel_), 5, 0, 1, 2);
    layout->setColumnStretch(0, 1);

    connect(txtDir_, &QLineEdit::textChanged, this, &frmExtractAll::updateCommands);
    connect(cmdBrowse_, &QPushButton::clicked, this, &frmExtractAll::browseFolder);
    connect(cmdExtractAll_, &QPushButton::clicked, this, &frmExtractAll::extractAll);
    connect(cmdCancel_, &QPushButton::clicked, this, &QWidget::close);
    updateCommands();
    resize(sizeHint());
}

frmExtractAll* frmExtractAll::Show(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse) {
    auto* dialog = new frmExtractAll(parent, engine, std::move(browse));
    dialog->show();
    return dialog;
}

void frmExtractAll::updateCommands() { cmdExtractAll_->setEnabled(txtDir_->text().size() >= 2); }

void frmExtractAll::browseFolder() {
    if (!browse_) return;
    const std::string folder = PickedDiskFolder(browse_("Select directory to extract all the files to:"));
    if (!folder.empty()) txtDir_->setText(FromUtf8(folder));
}

void frmExtractAll::extractAll() {
    const std::string folder = WithTrailingSlash(ToUtf8(txtDir_->text()));
    txtDir_->setText(FromUtf8(folder));
    const bool keepStructure = check1_->isChecked();
    const bool overwrite = check2_->isChecked();
    // Closing schedules the dialog's deletion: what the run needs is taken first.
    const ExtractAllFn run = extractAll_;
    close();
    if (run) run(folder, overwrite, keepStructure, true);
}

}  // namespace varnok
