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

// Add every file directly inside a folder, all under one stored folder.
// Modeless; it deletes itself when closed.
class frmAddDirectory : public QDialog {
    Q_OBJECT
public:
    // The add it starts: (source folder ending in "/", stored folder ending in "\"
    // or empty for the root).
    using AddDirectoryFn = std::function<void(const std::string& sourceDirectory, const std::string& filePath)>;

    frmAddDirectory(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse);
    frmAddDirectory(QWidget* parent, AddDirectoryFn addDirectory, BrowseForFolderFn browse);

    static frmAddDirectory* Show(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse);

    // Tells the user why the folder typed can't be added from, keeping the dialog
    // open; a message box unless replaced.
    std::function<void(const QString& why)> refuse;

private:
    void browseFolder();
    void addDirectory();
    void updateCommands();

    AddDirectoryFn addDirectory_;
    BrowseForFolderFn browse_;
    QLineEdit* txtDir_;
    QPushButton* cmdBrowse_;
    QLineEdit* text1_;
    QPushButton* cmdAdd_;
    QPushButton* cmdCancel_;
    QCheckBox* chkAdpcm_;  // shown for a BAG archive
};

}  // namespace varnok
