#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace varnok {

class mVarnokEngine;

// Rename File and Change Path share this dialog; its caption says which one it
// runs. Modeless; it deletes itself when closed. The entry changed is the one
// current when Ok is pressed, which the engine reads from the list itself.
class frmRename : public QDialog {
    Q_OBJECT
public:
    enum class Mode { RenameFile, ChangePath };

    // What Ok runs with the typed text: the engine makes a name or a path of it.
    struct Actions {
        std::function<void(const std::string& typed)> rename;
        std::function<void(const std::string& typed)> changePath;
    };

    // `original` is what txtOrig shows: the current file name or stored path.
    frmRename(QWidget* parent, Mode mode, const std::string& original, Actions actions);
    // The same over the engine; txtOrig shows row `currentRow` (none when 0).
    frmRename(QWidget* parent, mVarnokEngine& engine, Mode mode, int currentRow);

    static frmRename* ShowRenameFile(QWidget* parent, mVarnokEngine& engine, int currentRow);
    static frmRename* ShowChangePath(QWidget* parent, mVarnokEngine& engine, int currentRow);

private:
    void confirm();

    Actions actions_;
    QLabel* label2_;
    QLineEdit* txtOrig_;
    QLabel* label1_;
    QLineEdit* txtName_;
    QPushButton* cmdOk_;
    QPushButton* cmdCancel_;
};

}  // namespace varnok
