#include "engine/dialogs/frmFind.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>

#include "engine/dialogs/DialogParts.h"
#include "engine/mVarnokEngine.h"

namespace varnok {
using namespace dialog_parts;

frmFind::frmFind(QWidget* parent, mVarnokEngine& engine)
    : frmFind(parent, [&engine](const std::string& name, bool down) { engine.FindFile(name, down); }) {}

frmFind::frmFind(QWidget* parent, FindFn find) : QDialog(parent), find_(std::move(find)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Find Filename..."));

    txtName_ = new QLineEdit(this);
    txtName_->setObjectName(QStringLiteral("txtName"));
    txtName_->setMinimumWidth(280);
    auto* frame1 = new QGroupBox(tr("Search Direction"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    option2_ = new QRadioButton(tr("Up"), frame1);
    option2_->setObjectName(QStringLiteral("Option2"));
    option1_ = new QRadioButton(tr("Down"), frame1);
    option1_->setObjectName(QStringLiteral("Option1"));
    option1_->setChecked(true);
    auto* frameLayout = new QHBoxLayout(frame1);
    frameLayout->addWidget(option2_);
    frameLayout->addWidget(option1_);
    frameLayout->addStretch(1);
    command1_ = Button(this, "Command1", tr("&Find"));
    command2_ = Button(this, "Command2", tr("&Cancel"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(Label(this, tr("Find filename:"), txtName_, "Label1"), 0, 0);
    layout->addWidget(txtName_, 1, 0);
    layout->addWidget(frame1, 2, 0);
    layout->setRowMinimumHeight(3, 6);
    // Find is the default button, so Enter in txtName searches.
    layout->addWidget(CommandRow(this, command1_, command2_), 4, 0);

    connect(command1_, &QPushButton::clicked, this, &frmFind::find);
    connect(command2_, &QPushButton::clicked, this, &QWidget::close);
    txtName_->setFocus();
    resize(sizeHint());
}

frmFind* frmFind::Show(QWidget* parent, mVarnokEngine& engine, int currentRow) {
    frmFind* dialog = parent ? parent->findChild<frmFind*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!dialog) dialog = new frmFind(parent, engine);
    dialog->SetName(currentRow >= 1 && currentRow <= engine.RowCount() ? engine.Row(currentRow)[Column::Filename]
                                                                       : std::string());
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

void frmFind::SetName(const std::string& name) {
    txtName_->setText(FromUtf8(name));
    txtName_->selectAll();
}

void frmFind::find() {
    if (find_) find_(ToUtf8(txtName_->text()), option1_->isChecked());
}

}  // namespace varnok
