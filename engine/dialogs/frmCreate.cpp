#include "engine/dialogs/frmCreate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>

#include "engine/TextRules.h"
#include "engine/dialogs/DialogParts.h"

namespace varnok {
using namespace dialog_parts;

namespace {

frmCreate::Actions EngineActions(mVarnokEngine& engine, BrowseForFolderFn browse) {
    return {[&engine](const std::string& fileName, NewArchiveType type, const std::string& directory) {
                return engine.ConfirmCreateArchive(fileName, type, directory);
            },
            [&engine](const std::string& current, NewArchiveType type) {
                return engine.BrowseNewArchiveName(current, type);
            },
            std::move(browse)};
}

}  // namespace

frmCreate::frmCreate(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse)
    : frmCreate(parent, EngineActions(engine, std::move(browse))) {}

frmCreate::frmCreate(QWidget* parent, Actions actions) : QDialog(parent), actions_(std::move(actions)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Create Archive..."));

    refuse = MessageBoxRefusal(this);
    // Both paths are typed, pasted or chosen with their Browse buttons; Ok checks them.
    txtNew_ = new QLineEdit(this);
    txtNew_->setObjectName(QStringLiteral("txtNew"));
    txtNew_->setMinimumWidth(320);
    cmdBrowse_ = Button(this, "cmdBrowse", tr("&Browse..."));
    cboType_ = new QComboBox(this);
    cboType_->setObjectName(QStringLiteral("cboType"));
    cboType_->addItems({tr("BAG Archive"), tr("RFH/RFD Archive")});
    cboType_->setCurrentIndex(static_cast<int>(NewArchiveType::RFH));

    auto* frame1 = new QGroupBox(this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    check1_ = new QCheckBox(tr("Add Directory"), frame1);
    check1_->setObjectName(QStringLiteral("Check1"));
    // Shown for what it says, but a folder's subfolders are never added.
    chkSubFolder_ = new QCheckBox(tr("Include subfolder"), frame1);
    chkSubFolder_->setObjectName(QStringLiteral("chkSubFolder"));
    txtDirectory_ = new QLineEdit(frame1);
    txtDirectory_->setObjectName(QStringLiteral("txtDirectory"));
    label3_ = Label(frame1, tr("Directory to add:"), txtDirectory_, "Label3");
    cmdBrowse2_ = Button(frame1, "cmdBrowse2", tr("B&rowse..."));
    for (QWidget* w : {static_cast<QWidget*>(label3_), static_cast<QWidget*>(txtDirectory_),
                       static_cast<QWidget*>(cmdBrowse2_), static_cast<QWidget*>(chkSubFolder_)}) {
        w->setEnabled(false);
    }
    auto* frameLayout = new QGridLayout(frame1);
    frameLayout->addWidget(check1_, 0, 0);
    frameLayout->addWidget(chkSubFolder_, 0, 1);
    frameLayout->addWidget(label3_, 1, 0, 1, 2);
    frameLayout->addWidget(txtDirectory_, 2, 0);
    frameLayout->addWidget(cmdBrowse2_, 2, 1);
    frameLayout->setColumnStretch(0, 1);

    cmdOk_ = Button(this, "cmdOk", tr("&Ok"));
    cmdCancel_ = Button(this, "cmdCancel", tr("&Cancel"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(Label(this, tr("Save new archive as:"), txtNew_, "Label1"), 0, 0, 1, 2);
    layout->addWidget(txtNew_, 1, 0);
    layout->addWidget(cmdBrowse_, 1, 1);
    layout->addWidget(Label(this, tr("Archive Type:"), cboType_, "Label2"), 2, 0, 1, 2);
    layout->addWidget(cboType_, 3, 0, 1, 2);
    layout->addWidget(frame1, 4, 0, 1, 2);
    layout->setRowMinimumHeight(5, 6);
    layout->addWidget(CommandRow(this, cmdOk_, cmdCancel_), 6, 0, 1, 2);
    layout->setColumnStretch(0, 1);

    connect(txtNew_, &QLineEdit::textChanged, this,
            [this](const QString& text) { cmdOk_->setEnabled(!text.trimmed().isEmpty()); });
    connect(cmdBrowse_, &QPushButton::clicked, this, &frmCreate::browseFile);
    connect(cmdBrowse2_, &QPushButton::clicked, this, &frmCreate::browseDirectory);
    connect(check1_, &QCheckBox::toggled, this, &frmCreate::addDirectoryToggled);
    connect(cmdOk_, &QPushButton::clicked, this, &frmCreate::confirm);
    connect(cmdCancel_, &QPushButton::clicked, this, &QWidget::close);
    cmdOk_->setEnabled(false);
    resize(sizeHint());
}

frmCreate* frmCreate::Show(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse) {
    frmCreate* dialog = parent ? parent->findChild<frmCreate*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!dialog) dialog = new frmCreate(parent, engine, std::move(browse));
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

NewArchiveType frmCreate::type() const {
    return cboType_->currentIndex() == static_cast<int>(NewArchiveType::BAG) ? NewArchiveType::BAG
                                                                             : NewArchiveType::RFH;
}

void frmCreate::browseFile() {
    if (!actions_.chooseFile) return;
    const QString chosen = FromUtf8(actions_.chooseFile(ToUtf8(txtNew_->text()), type()));
    if (chosen != txtNew_->text()) txtNew_->setText(chosen);
}

void frmCreate::browseDirectory() {
    if (!actions_.browseFolder) return;
    const std::string folder = PickedDiskFolder(actions_.browseFolder("Select directory that you want to add"));
    if (!folder.empty()) txtDirectory_->setText(FromUtf8(folder));
}

void frmCreate::addDirectoryToggled(bool checked) {
    label3_->setEnabled(checked);
    txtDirectory_->setEnabled(checked);
    cmdBrowse2_->setEnabled(checked);
    if (!checked) chkSubFolder_->setEnabled(false);
}

// The new archive's folder must be there; its name is the engine's to judge.
QString frmCreate::refusal() const {
    const QString file = TypedDiskPath(txtNew_->text());
    if (QFileInfo(file).isRelative()) {
        return QStringLiteral("\"%1\" is not a full path: type it from \"/\" on.").arg(file);
    }
    if (const QString folder = QFileInfo(file).absolutePath(); !QFileInfo(folder).isDir()) {
        return QStringLiteral("The directory \"%1\" does not exist.").arg(folder);
    }
    return check1_->isChecked() ? RefusalOfFolder(TypedDiskPath(txtDirectory_->text())) : QString();
}

void frmCreate::confirm() {
    if (const QString why = refusal(); !why.isEmpty()) {
        if (refuse) refuse(why);
        return;
    }
    hide();
    txtNew_->setText(TypedDiskPath(txtNew_->text()));
    if (check1_->isChecked()) {
        txtDirectory_->setText(FromUtf8(WithTrailingSlash(ToUtf8(TypedDiskPath(txtDirectory_->text())))));
    }
    const std::string directory = check1_->isChecked() ? ToUtf8(txtDirectory_->text()) : std::string();
    const auto run = actions_.create;
    const bool done = !run || run(ToUtf8(txtNew_->text()), type(), directory);
    if (done) close();
}

}  // namespace varnok
