#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

namespace varnok {

class mVarnokEngine;

// Remove every entry whose stored folder is exactly the one typed; "\" is the
// root. Remove Directory waits for something typed. Modeless; it deletes itself
// when closed.
class frmRemoveDirectory : public QDialog {
    Q_OBJECT
public:
    // The removal it runs: (stored folder ending in "\", or empty for the root).
    using RemoveDirectoryFn = std::function<void(const std::string& filePath)>;

    frmRemoveDirectory(QWidget* parent, mVarnokEngine& engine);
    frmRemoveDirectory(QWidget* parent, RemoveDirectoryFn removeDirectory);

    static frmRemoveDirectory* Show(QWidget* parent, mVarnokEngine& engine);

private:
    void removeDirectory();

    RemoveDirectoryFn removeDirectory_;
    QLineEdit* text1_;
    QPushButton* cmdRemDir_;
    QPushButton* cmdCancel_;
};

}  // namespace varnok
