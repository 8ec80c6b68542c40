#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace varnok {

class mVarnokEngine;

// Rename the open archive within its folder. Modeless; it deletes itself when
// closed.
class frmRenameArchive : public QDialog {
    Q_OBJECT
public:
    // Rename: (the archive's full path as shown, the typed new name).
    using RenameFn = std::function<void(const std::string& oldPath, const std::string& typed)>;

    frmRenameArchive(QWidget* parent, const std::string& archivePath, RenameFn rename);
    frmRenameArchive(QWidget* parent, mVarnokEngine& engine);

    static frmRenameArchive* Show(QWidget* parent, mVarnokEngine& engine);

private:
    void confirm();

    RenameFn rename_;
    QLineEdit* txtFile_;
    QLineEdit* text1_;
    QLabel* label3_;
    QPushButton* command1_;
    QPushButton* command2_;
};

}  // namespace varnok
