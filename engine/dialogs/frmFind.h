#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace varnok {

class mVarnokEngine;

// Find an entry by its file name, up or down from the current row. Modeless;
// it stays open between searches, and deletes itself when closed.
class frmFind : public QDialog {
    Q_OBJECT
public:
    // Find: (the name, true to search down).
    using FindFn = std::function<void(const std::string& name, bool down)>;

    frmFind(QWidget* parent, FindFn find);
    explicit frmFind(QWidget* parent, mVarnokEngine& engine);

    // The Find File command: the open dialog, keeping its direction, or a new
    // one; its name is refilled with the file name of `currentRow` (empty when 0).
    static frmFind* Show(QWidget* parent, mVarnokEngine& engine, int currentRow);

    void SetName(const std::string& name);

private:
    void find();

    FindFn find_;
    QLineEdit* txtName_;
    QRadioButton* option1_;
    QRadioButton* option2_;
    QPushButton* command1_;
    QPushButton* command2_;
};

}  // namespace varnok
