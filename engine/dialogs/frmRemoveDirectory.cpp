#include "engine/dialogs/frmRemoveDirectory.h"

#include <QGridLayout>
#include <QLineEdit>

#include "engine/dialogs/DialogParts.h"
#include "engine/dialogs/FolderTexts.h"
#include "engine/mVarnokEngine.h"

namespace varnok {
using namespace dialog_parts;

frmRemoveDirectory::frmRemoveDirectory(QWidget* parent, mVarnokEngine& engine)
    : frmRemoveDirectory(parent,
                         [&engine](const std::string& filePath) { engine.RemoveDirectoryFromArchive(filePath); }) {}

frmRemoveDirectory::frmRemoveDirectory(QWidget* parent, RemoveDirectoryFn removeDirectory)
    : QDialog(parent), removeDirectory_(std::move(removeDirectory)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Remove Directory"));

    text1_ = new QLineEdit(this);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setMinimumWidth(320);
    cmdRemDir_ = Button(this, "cmdRemDir", tr("&Remove Directory"));
    cmdCancel_ = Button(this, "cmdCancel", tr("&Cancel"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(Label(this, tr("Directory to remove:"), text1_), 0, 0);
    layout->addWidget(text1_, 1, 0);
    // An empty field would take the root's entries on a stray Enter, so the root
    // is named on purpose.
    layout->addWidget(Label(this, tr("(Type \\ if you want to remove the files in the root)")), 2, 0);
    layout->setRowMinimumHeight(3, 6);
    layout->addWidget(CommandRow(this, cmdRemDir_, cmdCancel_), 4, 0);

    connect(text1_, &QLineEdit::textChanged, this,
            [this](const QString& text) { cmdRemDir_->setEnabled(!text.isEmpty()); });
    cmdRemDir_->setEnabled(false);
    connect(cmdRemDir_, &QPushButton::clicked, this, &frmRemoveDirectory::removeDirectory);
    connect(cmdCancel_, &QPushButton::clicked, this, &QWidget::close);
    resize(sizeHint());
}

frmRemoveDirectory* frmRemoveDirectory::Show(QWidget* parent, mVarnokEngine& engine) {
    auto* dialog = new frmRemoveDirectory(parent, engine);
    dialog->show();
    return dialog;
}

void frmRemoveDirectory::removeDirectory() {
    // The entries go while the dialog is still open; it closes when they are gone.
    const std::string stored = TypedStoredFolder(ToUtf8(text1_->text()));
    text1_->setText(FromUtf8(stored));
    // A second press while the entries are going would run a second removal.
    setEnabled(false);
    if (removeDirectory_) removeDirectory_(stored);
    close();
}

}  // namespace varnok
