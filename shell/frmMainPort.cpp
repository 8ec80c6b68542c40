// The main window as the engine's EngineUi.
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include "engine/dialogs/frmOverwrite.h"
#include "shell/FileListModel.h"
#include "shell/FolderPane.h"
#include "shell/MainSettings.h"
#include "shell/frmMain.h"

namespace varnok {

namespace {

QString Qt(const std::string& text) { return QString::fromStdString(text); }

// "Description|*.a; *.b|..." as Qt's "Description (*.a *.A *.b *.B);;...". Each
// pattern is offered in both letter cases, as the archives are matched without
// regard to case.
QString QtFilter(const std::string& filter) {
    const QStringList parts = Qt(filter).split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (QString p : parts[i + 1].split(QLatin1Char(';'), ::Qt::SkipEmptyParts)) {
            p = p.trimmed();
            patterns << p;
            if (p != QLatin1String("*.*") && p.toUpper() != p) patterns << p.toUpper();
        }
        out << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

QMessageBox::Icon QtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Critical: return QMessageBox::Critical;
        case MessageIcon::Question: return QMessageBox::Question;
        case MessageIcon::Exclamation: return QMessageBox::Warning;
        case MessageIcon::Information: break;
    }
    return QMessageBox::Information;
}

}  // namespace

void frmMain::SetCaption(const std::string& text) { setWindowTitle(Qt(text)); }

void frmMain::SetPathLabel(const std::string& text) {
    lblFilename->setText(Qt(text));
    lblFilename->repaint();
}

void frmMain::SetPanel(Panel panel, const std::string& text) {
    if (panel == Panel::Count) {
        engineCount_ = Qt(text);
        ShowCount();
        return;
    }
    QLabel* label = panels_[static_cast<std::size_t>(panel) - 1];
    label->setText(Qt(text));
}

// Each long operation starts with a fresh Cancel button; a click or Escape
// before the next one started is forgotten.
void frmMain::ShowProgress() {
    cancelRequested_ = false;
    picProgress->setValue(0);
    picProgress->show();
    cmdCancel->setEnabled(true);
    cmdCancel->show();
    actCancel->setEnabled(true);
}

void frmMain::HideProgress() {
    picProgress->hide();
    cmdCancel->hide();
    actCancel->setEnabled(false);
}

void frmMain::RequestCancel() {
    cancelRequested_ = true;
    cmdCancel->setEnabled(false);  // pressed once is enough: the entry in hand finishes first
    SetPanel(Panel::Message, "Cancelling...");
}

bool frmMain::CancelRequested() { return cancelRequested_; }

void frmMain::UpdateProgress(std::int64_t current, std::int64_t total) {
    const int value = total <= 0 ? 0 : static_cast<int>(std::clamp<std::int64_t>(current * 1000 / total, 0, 1000));
    if (value == picProgress->value()) return;
    picProgress->setValue(value);
    picProgress->repaint();
}

void frmMain::DisableInterface() {
    for (QMenu* menu : {mnuFile, mnuAction, mnuView, mnuFavorites, mnuLaunch, mnuInternet, mnuPlugIns, mnuHelp}) {
        menu->menuAction()->setEnabled(false);
    }
    listPane_->setEnabled(false);  // the filter too: the selection must hold still
    tvFiles->setEnabled(false);
    tbToolBar->setEnabled(false);
}

void frmMain::EnableInterface() {
    for (QMenu* menu : {mnuFile, mnuAction, mnuView, mnuFavorites, mnuLaunch, mnuInternet, mnuPlugIns, mnuHelp}) {
        menu->menuAction()->setEnabled(true);
    }
    listPane_->setEnabled(true);
    tvFiles->setEnabled(true);
    tbToolBar->setEnabled(true);
}

void frmMain::Yield() { QCoreApplication::processEvents(); }

MessageAnswer frmMain::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon,
                                   MessageButtons buttons) {
    const bool question = buttons != MessageButtons::Ok;
    QMessageBox box(QtIcon(icon), Qt(title), Qt(text), question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    this);
    if (buttons == MessageButtons::YesNoDefaultNo) box.setDefaultButton(QMessageBox::No);
    switch (box.exec()) {
        case QMessageBox::Yes: return MessageAnswer::Yes;
        case QMessageBox::No: return MessageAnswer::No;
        case QMessageBox::Ok: return MessageAnswer::Ok;
        default: return MessageAnswer::Closed;
    }
}

OverwriteAnswer frmMain::AskOverwrite(const std::string& question, const std::string& title) {
    return frmOverwrite::Ask(this, question, title);
}

ConvertAnswer frmMain::AskConvert(const std::string& question, const std::string& title) {
    QMessageBox box(QMessageBox::Question, Qt(title), Qt(question),
                    QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll, this);
    switch (box.exec()) {
        case QMessageBox::Yes: return ConvertAnswer::Yes;
        case QMessageBox::YesToAll: return ConvertAnswer::YesToAll;
        case QMessageBox::NoToAll: return ConvertAnswer::NoToAll;
        default: return ConvertAnswer::No;  // closing the question converts nothing
    }
}

// The pickers start where the user last picked something, else in the open
// archive's folder: where the files of a modding session usually are.
QString frmMain::StartFolder() const {
    if (!lastFolder_.isEmpty() && QFileInfo(lastFolder_).isDir()) return lastFolder_;
    if (!engine_.ArchivePath().empty()) return QFileInfo(Qt(engine_.ArchivePath())).absolutePath();
    return QString();
}

void frmMain::RememberFolderOf(const QString& chosen, bool isFolder) {
    if (!chosen.isEmpty()) lastFolder_ = isFolder ? chosen : QFileInfo(chosen).absolutePath();
}

std::string frmMain::BrowseForFolder(const std::string& prompt) {
    const QString folder = QFileDialog::getExistingDirectory(nullptr, Qt(prompt), StartFolder()).trimmed();
    RememberFolderOf(folder, true);
    return folder.toStdString();
}

std::string frmMain::OpenFileDialog(const std::string& filter) {
    const QString chosen = QFileDialog::getOpenFileName(this, QString(), StartFolder(), QtFilter(filter));
    RememberFolderOf(chosen, false);
    return chosen.toStdString();
}

std::vector<std::string> frmMain::OpenFilesDialog(const std::string& filter) {
    const QStringList chosen = QFileDialog::getOpenFileNames(this, QString(), StartFolder(), QtFilter(filter));
    if (!chosen.isEmpty()) RememberFolderOf(chosen.front(), false);
    std::vector<std::string> files;
    for (const QString& file : chosen) files.push_back(file.toStdString());
    return files;
}

std::string frmMain::SaveFileDialog(const std::string& fileName, const std::string& filter) {
    // A bare name is offered in the start folder; a path stays where it points.
    QString offered = Qt(fileName);
    if (const QString start = StartFolder(); !start.isEmpty() && QFileInfo(offered).isRelative()) {
        offered = QDir(start).filePath(offered);
    }
    const QString chosen = QFileDialog::getSaveFileName(this, QString(), offered, QtFilter(filter));
    RememberFolderOf(chosen, false);
    return chosen.isEmpty() ? fileName : chosen.toStdString();
}

void frmMain::ListReset() { model_->rowsReset(); }
void frmMain::ListRowsAppended(int first, int count) { model_->rowsAppended(first, count); }
void frmMain::ListRowRemoved(int row) { model_->rowRemoved(row); }
void frmMain::ListRowChanged(int row) { model_->rowChanged(row); }
void frmMain::SetListVisible(bool visible) { lstFiles->setVisible(visible); }

bool frmMain::IsRowSelected(int row) const {
    const QModelIndex shown = ViewOfEntry(row);
    return shown.isValid() && lstFiles->selectionModel()->isRowSelected(shown.row(), QModelIndex());
}

int frmMain::FocusedRow() const { return EntryOfView(lstFiles->selectionModel()->currentIndex()); }

bool frmMain::OpenWithAssociatedProgram(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(Qt(path)));
}

void frmMain::MarkFoundRow(int row) {
    // Find searches every entry; one the filter hides is shown by dropping the
    // filter, as a command never marks a row the user cannot see.
    if (!ViewOfEntry(row).isValid()) mnuViewFilter->setChecked(false);
    const QModelIndex index = ViewOfEntry(row);
    lstFiles->selectionModel()->setCurrentIndex(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    lstFiles->scrollTo(index);
}

void frmMain::AddRecentFile(const std::string& path) { settings_->AddRecentFile(path); }

std::string frmMain::FavoriteFile(int index) { return settings_->FavoriteFile(index); }

}  // namespace varnok
