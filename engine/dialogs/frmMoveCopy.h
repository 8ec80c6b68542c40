#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "platform/Drives.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace varnok {

class mVarnokEngine;

// Copy or move the open archive into a folder picked from a tree of the drives
// and their folders, each folder read when it is first expanded. Modeless; it
// deletes itself when closed.
class frmMoveCopy : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Copy, Move };
    // Ok: (the archive the dialog was shown for, the folder ending in "/").
    using TransferFn = std::function<void(const std::string& source, const std::string& folder)>;

    frmMoveCopy(QWidget* parent, Mode mode, std::string source, const std::vector<Drive>& drives, TransferFn transfer);
    // Over the engine: the source is the archive open now, the tree the drive list.
    frmMoveCopy(QWidget* parent, mVarnokEngine& engine, Mode mode);

    static frmMoveCopy* ShowCopy(QWidget* parent, mVarnokEngine& engine);
    static frmMoveCopy* ShowMove(QWidget* parent, mVarnokEngine& engine);

    // Tells the user a drive could not be read when it was expanded; a message
    // box unless replaced.
    std::function<void()> deviceUnavailable;
    // Tells the user why the folder typed can't be the destination, keeping the
    // dialog open; a message box unless replaced.
    std::function<void(const QString& why)> refuse;

private:
    void fillTree(const std::vector<Drive>& drives);
    void expand(QTreeWidgetItem* node);
    void confirm();

    std::string source_;
    TransferFn transfer_;
    QLabel* label1_;
    QLineEdit* text1_;
    QTreeWidget* tvwFolders_;
    QPushButton* cmdOk_;
    QPushButton* cmdCancel_;
};

}  // namespace varnok
