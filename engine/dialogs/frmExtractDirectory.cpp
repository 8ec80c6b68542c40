#include "engine/dialogs/frmExtractDirectory.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>

#include "engine/TextRules.h"
#include "engine/dialogs/DialogParts.h"
#include "engine/mVarnokEngine.h"

namespace varnok {
using namespace dialog_parts;

frmExtractDirectory::frmExtractDirectory(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse,
                                         const std::string& storedFolder)
    : frmExtractDirectory(
          parent,
          [&engine](const std::string& stored, const std::string& folder, bool overwrite) {
              engine.ExtractDirectory(stored, folder, overwrite);
          },
          std::move(browse), storedFolder) {}

frmExtractDirectory::frmExtractDirectory(QWidget* parent, ExtractDirectoryFn extractDirectory, BrowseForFolderFn browse,
                                         const std::string& storedFolder)
    : QDialog(parent), extractDirectory_(std::move(extractDirectory)), browse_(std::move(browse)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Extract Directory to..."));

    text1_ = new QLineEdit(FromUtf8(storedFolder), this);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setMinimumWidth(320);
    txtDir_ = new QLineEdit(this);
    txtDir_->setObjectName(QStringLiteral("txtDir"));
    cmdBrowse_ = Button(this, "cmdBrowse", tr("&Browse..."));
    chkOverwrite_ = new QCheckBox(tr("Overwrite existing files"), this);
    chkOverwrite_->setObjectName(QStringLiteral("chkOverwrite"));
    cmdExtract_ = Button(this, "cmdExtract", tr("&Extract Directory"));
    cmdCancel_ = Button(this, "cmdCancel", tr("&Cancel"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(Label(this, tr("Directory to extract:"), text1_), 0, 0, 1, 2);
    layout->addWidget(text1_, 1, 0, 1, 2);
    layout->addWidget(Label(this, tr("Directory to put the files in:"), txtDir_), 2, 0, 1, 2);
    layout->addWidget(txtDir_, 3, 0);
    layout->addWidget(cmdBrowse_, 3, 1);
    layout->addWidget(chkOverwrite_, 4, 0, 1, 2);
    layout->setRowMinimumHeight(5, 6);
    layout->addWidget(CommandRow(this, cmdExtract_, cmdCancel_), 6, 0, 1, 2);
    layout->setColumnStretch(0, 1);

    connect(txtDir_, &QLineEdit::textChanged, this, &frmExtractDirectory::updateCommands);
    connect(cmdBrowse_, &QPushButton::clicked, this, &frmExtractDirectory::browseFolder);
    connect(cmdExtract_, &QPushButton::clicked, this, &frmExtractDirectory::extractDirectory);
    connect(cmdCancel_, &QPushButton::clicked, this, &QWidget::close);
    updateCommands();
    resize(sizeHint());
}

frmExtractDirectory* frmExtractDirectory::Show(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse,
                                               const std::string& storedFolder) {
    auto* dialog = new frmExtractDirectory(parent, engine, std::move(browse), storedFolder);
    dialog->show();
    return dialog;
}

void frmExtractDirectory::updateCommands() { cmdExtract_->setEnabled(!txtDir_->text().isEmpty()); }

void frmExtractDirectory::browseFolder() {
    if (!browse_) return;
    const std::string folder = PickedDiskFolder(browse_("Select the directory to put the extracted files in:"));
    if (!folder.empty()) txtDir_->setText(FromUtf8(folder));
}

void frmExtractDirectory::extractDirectory() {
    const std::string stored = TypedStoredFolder(ToUtf8(text1_->text()));
    text1_->setText(FromUtf8(stored));
    const std::string folder = WithTrailingSlash(ToUtf8(txtDir_->text()));
    txtDir_->setText(FromUtf8(folder));
    const bool overwrite = chkOverwrite_->isChecked();
    const ExtractDirectoryFn run = extractDirectory_;
    close();
    if (run) run(UpperCaseASCII(stored), folder, overwrite);
}

}  // namespace varnok
