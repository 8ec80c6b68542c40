#include "engine/dialogs/frmAddDirectory.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>

#include "engine/TextRules.h"
#include "engine/dialogs/DialogParts.h"
#include "engine/mVarnokEngine.h"

namespace varnok {
using namespace dialog_parts;

frmAddDirectory::frmAddDirectory(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse)
    : frmAddDirectory(
          parent,
          [&engine](const std::string& sourceDirectory, const std::string& filePath) {
              engine.AddDirectoryToArchive(sourceDirectory, filePath);
          },
          std::move(browse)) {
    chkAdpcm_->setVisible(engine.IsBAG());
    chkAdpcm_->setChecked(engine.AddAsAdpcm());
    connect(chkAdpcm_, &QCheckBox::toggled, this, [&engine](bool on) { engine.SetAddAsAdpcm(on); });
    resize(sizeHint());
}

frmAddDirectory::frmAddDirectory(QWidget* parent, AddDirectoryFn addDirectory, BrowseForFolderFn browse)
    : QDialog(parent), addDirectory_(std::move(addDirectory)), browse_(std::move(browse)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Add Directory..."));

    refuse = MessageBoxRefusal(this);
    // The source folder is typed, pasted or picked; Add checks that it is one.
    txtDir_ = new QLineEdit(this);
    txtDir_->setObjectName(QStringLiteral("txtDir"));
    txtDir_->setMinimumWidth(320);
    cmdBrowse_ = Button(this, "cmdBrowse", tr("&Browse..."));
    text1_ = new QLineEdit(this);
    text1_->setObjectName(QStringLiteral("Text1"));
    cmdAdd_ = Button(this, "cmdAdd", tr("&Add Directory"));
    cmdCancel_ = Button(this, "cmdCancel", tr("&Cancel"));
    chkAdpcm_ = new QCheckBox(tr("Store the sounds as IMA AD&PCM, as the game's own speech"), this);
    chkAdpcm_->setObjectName(QStringLiteral("chkAdpcm"));
    chkAdpcm_->setVisible(false);

    auto* layout = new QGridLayout(this);
    layout->addWidget(Label(this, tr("Directory to Add:"), txtDir_), 0, 0, 1, 2);
    layout->addWidget(txtDir_, 1, 0);
    layout->addWidget(cmdBrowse_, 1, 1);
    layout->addWidget(Label(this, tr("Directory to put the files in:"), text1_), 2, 0, 1, 2);
    layout->addWidget(text1_, 3, 0, 1, 2);
    layout->addWidget(Label(this, tr("(Leave empty if you want to add the files to the root)")), 4, 0, 1, 2);
    layout->addWidget(chkAdpcm_, 5, 0, 1, 2);
    layout->setRowMinimumHeight(6, 6);
    layout->addWidget(CommandRow(this, cmdAdd_, cmdCancel_), 7, 0, 1, 2);
    layout->setColumnStretch(0, 1);

    connect(txtDir_, &QLineEdit::textChanged, this, &frmAddDirectory::updateCommands);
    connect(cmdBrowse_, &QPushButton::clicked, this, &frmAddDirectory::browseFolder);
    connect(cmdAdd_, &QPushButton::clicked, this, &frmAddDirectory::addDirectory);
    connect(cmdCancel_, &QPushButton::clicked, this, &QWidget::close);
    updateCommands();
    resize(sizeHint());
}

frmAddDirectory* frmAddDirectory::Show(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse) {
    auto* dialog = new frmAddDirectory(parent, engine, std::move(browse));
    dialog->show();
    return dialog;
}

void frmAddDirectory::updateCommands() { cmdAdd_->setEnabled(!txtDir_->text().trimmed().isEmpty()); }

void frmAddDirectory::browseFolder() {
    if (!browse_) return;
    const std::string folder = PickedDiskFolder(browse_("Select the directory that you want to add:"));
    if (!folder.empty()) txtDir_->setText(FromUtf8(folder));
}

void frmAddDirectory::addDirectory() {
    const QString typed = TypedDiskPath(txtDir_->text());
    if (const QString why = RefusalOfFolder(typed); !why.isEmpty()) {
        if (refuse) refuse(why);
        return;
    }
    const std::string source = WithTrailingSlash(ToUtf8(typed));
    txtDir_->setText(FromUtf8(source));
    const std::string stored = TypedStoredFolder(ToUtf8(text1_->text()));
    text1_->setText(FromUtf8(stored));
    const AddDirectoryFn run = addDirectory_;
    close();
    if (run) run(source, stored);
}

}  // namespace varnok
