#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QTreeWidget;

namespace varnok {

class MainSettings;

// "Add to Favorites": stores the open archive under a name the user gives.
class frmAddFavorites : public QDialog {
    Q_OBJECT
public:
    frmAddFavorites(QWidget* parent, MainSettings& settings, const std::string& archivePath);
    static frmAddFavorites* Show(QWidget* parent, MainSettings& settings, const std::string& archivePath);

private:
    MainSettings& settings_;
    QLineEdit* Text1 = nullptr;
};

// "Organize Favorites": the favourites in a list; removals take effect on Ok,
// and the rest are numbered anew in list order.
class frmModFavorites : public QDialog {
    Q_OBJECT
public:
    frmModFavorites(QWidget* parent, MainSettings& settings);
    static frmModFavorites* Show(QWidget* parent, MainSettings& settings);

private:
    void RemoveSelected();
    void Accept();

    MainSettings& settings_;
    QTreeWidget* lvFavorites = nullptr;
};

}  // namespace varnok
