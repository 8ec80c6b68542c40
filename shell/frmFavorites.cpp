#include "shell/frmFavorites.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "shell/MainSettings.h"

namespace varnok {

namespace {
QPushButton* Button(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}
}  // namespace

frmAddFavorites::frmAddFavorites(QWidget* parent, MainSettings& settings, const std::string& archivePath)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("frmAddFavorites"));
    setWindowTitle(QStringLiteral("Add to Favorites"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* Label1 = new QLabel(QStringLiteral("Varnok 2 will add this file to your favorites list."), this);
    auto* lblFilename = new QLabel(QString::fromStdString(archivePath), this);
    lblFilename->setObjectName(QStringLiteral("lblFilename"));
    auto* Label2 = new QLabel(QStringLiteral("Name to display:"), this);
    Text1 = new QLineEdit(QStringLiteral("New Favorite"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    QPushButton* Command1 = Button("Command1", QStringLiteral("&Add"), this);
    QPushButton* Command2 = Button("Command2", QStringLiteral("&Cancel"), this);
    Command1->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(lblFilename);
    layout->addWidget(Label2);
    layout->addWidget(Text1);
    layout->addLayout(buttons);

    // The favourite is the archive the dialog shows, even if another one was opened
    // while it stood open.
    connect(Command1, &QPushButton::clicked, this, [this, archivePath] {
        settings_.AddFavorite(Text1->text().toStdString(), "", archivePath);
        close();
    });
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);
}

frmAddFavorites* frmAddFavorites::Show(QWidget* parent, MainSettings& settings, const std::string& archivePath) {
    auto* dialog = new frmAddFavorites(parent, settings, archivePath);
    dialog->show();
    return dialog;
}

frmModFavorites::frmModFavorites(QWidget* parent, MainSettings& settings) : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("frmModFavorites"));
    setWindowTitle(QStringLiteral("Organize Favorites"));
    setAttribute(Qt::WA_DeleteOnClose);
    lvFavorites = new QTreeWidget(this);
    lvFavorites->setObjectName(QStringLiteral("lvFavorites"));
    lvFavorites->setHeaderLabels({QStringLiteral("Display Name"), QStringLiteral("Filename")});
    lvFavorites->setRootIsDecorated(false);
    lvFavorites->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (int n = 1; n <= settings_.FavCount(); ++n) {
        new QTreeWidgetItem(lvFavorites, {QString::fromStdString(settings_.FavName(n)),
                                          QString::fromStdString(settings_.FavoriteFile(n))});
    }
    lvFavorites->header()->resizeSection(0, 160);
    QPushButton* Command3 = Button("Command3", QStringLiteral("&Remove"), this);
    QPushButton* Command1 = Button("Command1", QStringLiteral("&Ok"), this);
    QPushButton* Command2 = Button("Command2", QStringLiteral("&Cancel"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command3);
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lvFavorites);
    layout->addLayout(buttons);
    resize(520, 300);

    connect(Command3, &QPushButton::clicked, this, &frmModFavorites::RemoveSelected);
    connect(Command1, &QPushButton::clicked, this, &frmModFavorites::Accept);
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);
}

frmModFavorites* frmModFavorites::Show(QWidget* parent, MainSettings& settings) {
    auto* dialog = new frmModFavorites(parent, settings);
    dialog->show();
    return dialog;
}

void frmModFavorites::RemoveSelected() {
    for (int row = lvFavorites->topLevelItemCount() - 1; row >= 0; --row) {
        if (lvFavorites->topLevelItem(row)->isSelected()) delete lvFavorites->takeTopLevelItem(row);
    }
}

void frmModFavorites::Accept() {
    std::vector<std::pair<std::string, std::string>> rows;
    for (int row = 0; row < lvFavorites->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = lvFavorites->topLevelItem(row);
        rows.emplace_back(item->text(0).toStdString(), item->text(1).toStdString());
    }
    settings_.ReplaceFavorites(rows);
    close();
}

}  // namespace varnok
