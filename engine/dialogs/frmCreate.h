#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "engine/dialogs/FolderTexts.h"
#include "engine/mVarnokEngine.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace varnok {

// Create a new archive, optionally filled at once with the files of a folder.
// Modeless. Ok hides it while the archive is made; when that could not go
// ahead (no usable name, an overwrite declined) it stays loaded and hidden, and
// the next New Archive shows it again as it was. Otherwise it deletes itself.
class frmCreate : public QDialog {
    Q_OBJECT
public:
    struct Actions {
        // Ok with the new archive's path, its type and the folder to add ("" for
        // none); false keeps the dialog for another try.
        std::function<bool(const std::string& fileName, NewArchiveType type, const std::string& directoryToAdd)> create;
        // Browse: the save dialog, given the current name; that name back on cancel.
        std::function<std::string(const std::string& current, NewArchiveType type)> chooseFile;
        BrowseForFolderFn browseFolder;
    };

    frmCreate(QWidget* parent, Actions actions);
    frmCreate(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse);

    // The New Archive command: the dialog an earlier Ok left hidden, if there is
    // one, else a new one; shown without blocking `parent`.
    static frmCreate* Show(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse);

    // Tells the user why a typed path can't be used, keeping the dialog shown; a
    // message box unless replaced.
    std::function<void(const QString& why)> refuse;

private:
    NewArchiveType type() const;
    void browseFile();
    void browseDirectory();
    void addDirectoryToggled(bool checked);
    void confirm();
    // Why the typed paths can't be used as they are, or "".
    QString refusal() const;

    Actions actions_;
    QLineEdit* txtNew_;
    QPushButton* cmdBrowse_;
    QComboBox* cboType_;
    QCheckBox* check1_;
    QCheckBox* chkSubFolder_;
    QLabel* label3_;
    QLineEdit* txtDirectory_;
    QPushButton* cmdBrowse2_;
    QPushButton* cmdOk_;
    QPushButton* cmdCancel_;
};

}  // namespace varnok
