#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "engine/dialogs/FolderTexts.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace varnok {

class mVarnokEngine;

// Extract the entries of one stored folder flat into a folder on disk.
// Modeless; it deletes itself when closed.
class frmExtractDirectory : public QDialog {
    Q_OBJECT
public:
    // The extraction it starts: (stored folder in upper case, ending in "\" or
    // empty for the root; destination folder ending in "/"; overwrite).
    using ExtractDirectoryFn =
        std::function<void(const std::string& storedFolder, const std::string& folder, bool overwrite)>;

    // `storedFolder` is what Text1 starts with, in the form of the "Path" column.
    frmExtractDirectory(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse,
                        const std::string& storedFolder = {});
    frmExtractDirectory(QWidget* parent, ExtractDirectoryFn extractDirectory, BrowseForFolderFn browse,
                        const std::string& storedFolder = {});

    static frmExtractDirectory* Show(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse,
                                     const std::string& storedFolder = {});

private:
    void browseFolder();
    void extractDirectory();
    void updateCommands();

    ExtractDirectoryFn extractDirectory_;
    BrowseForFolderFn browse_;
    QLineEdit* text1_;
    QLineEdit* txtDir_;
    QPushButton* cmdBrowse_;
    QCheckBox* chkOverwrite_;
    QPushButton* cmdExtract_;
    QPushButton* cmdCancel_;
};

}  // namespace varnok
