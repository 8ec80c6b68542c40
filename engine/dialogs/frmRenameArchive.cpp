#include "engine/dialogs/frmRenameArchive.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "engine/TextRules.h"
#include "engine/dialogs/DialogParts.h"
#include "engine/mVarnokEngine.h"

namespace varnok {
using namespace dialog_parts;

frmRenameArchive::frmRenameArchive(QWidget* parent, mVarnokEngine& engine)
    : frmRenameArchive(parent, engine.ArchivePath(), [&engine](const std::string& oldPath, const std::string& typed) {
          engine.RenameArchive(oldPath, typed);
      }) {}

frmRenameArchive::frmRenameArchive(QWidget* parent, const std::string& archivePath, RenameFn rename)
    : QDialog(parent), rename_(std::move(rename)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Rename Archive"));

    const QString name = FromUtf8(StripPath(archivePath));
    txtFile_ = new QLineEdit(name, this);
    txtFile_->setObjectName(QStringLiteral("txtFile"));
    txtFile_->setReadOnly(true);
    txtFile_->setMinimumWidth(320);
    text1_ = new QLineEdit(name, this);
    text1_->setObjectName(QStringLiteral("Text1"));
    label3_ = Label(this, FromUtf8(archivePath), nullptr, "Label3");
    command1_ = Button(this, "Command1", tr("&Rename"));
    command2_ = Button(this, "Command2", tr("&Cancel"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(Label(this, tr("Current filename:"), txtFile_, "Label1"), 0, 0);
    layout->addWidget(txtFile_, 1, 0);
    layout->addWidget(Label(this, tr("Rename to:"), text1_, "Label2"), 2, 0);
    layout->addWidget(text1_, 3, 0);
    layout->addWidget(label3_, 4, 0);
    layout->setRowMinimumHeight(5, 6);
    // Rename is the default button, so Enter in Text1 renames.
    layout->addWidget(CommandRow(this, command1_, command2_), 6, 0);

    connect(command1_, &QPushButton::clicked, this, &frmRenameArchive::confirm);
    connect(command2_, &QPushButton::clicked, this, &QWidget::close);
    text1_->setFocus();
    text1_->selectAll();
    resize(sizeHint());
}

frmRenameArchive* frmRenameArchive::Show(QWidget* parent, mVarnokEngine& engine) {
    auto* dialog = new frmRenameArchive(parent, engine);
    dialog->show();
    return dialog;
}

void frmRenameArchive::confirm() {
    const std::string oldPath = ToUtf8(label3_->text());
    const std::string typed = ToUtf8(text1_->text());
    const RenameFn run = rename_;
    close();
    if (run) run(oldPath, typed);
}

}  // namespace varnok
