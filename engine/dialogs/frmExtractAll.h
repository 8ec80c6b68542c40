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

// Extract all files to a folder, optionally recreating the stored folders.
// Modeless; it deletes itself when closed.
class frmExtractAll : public QDialog {
    Q_OBJECT
public:
    // The extraction it starts: (folder ending in "/", overwrite, keepStructure, askOverwrite).
    using ExtractAllFn =
        std::function<void(const std::string& folder, bool overwrite, bool keepStructure, bool askOverwrite)>;

    frmExtractAll(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse);
    frmExtractAll(QWidget* parent, ExtractAllFn extractAll, BrowseForFolderFn browse);

    // Creates the dialog over `parent` and shows it without blocking it.
    static frmExtractAll* Show(QWidget* parent, mVarnokEngine& engine, BrowseForFolderFn browse);

private:
    void browseFolder();
    void extractAll();
    void updateCommands();

    ExtractAllFn extractAll_;
    BrowseForFolderFn browse_;
    QLineEdit* txtDir_;
    QPushButton* cmdBrowse_;
    QCheckBox* check1_;
    QCheckBox* check2_;
    QPushButton* cmdExtractAll_;
    QPushButton* cmdCancel_;
};

}  // namespace varnok
