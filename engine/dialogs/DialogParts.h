#pragma once

// Small builders the action dialogs share. Internal to the dialogs.
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QString>
#include <functional>
#include <string>

namespace varnok::dialog_parts {

inline QPushButton* Button(QWidget* parent, const char* objectName, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    return button;
}

inline QLabel* Label(QWidget* parent, const QString& text, QWidget* buddy = nullptr, const char* objectName = nullptr) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    if (buddy) label->setBuddy(buddy);
    if (objectName) label->setObjectName(QString::fromLatin1(objectName));
    return label;
}

// The command button and Cancel, in the platform's order; the command is the
// default button, so Enter runs it (and does nothing while it is disabled).
inline QDialogButtonBox* CommandRow(QWidget* parent, QPushButton* command, QPushButton* cancel) {
    auto* box = new QDialogButtonBox(parent);
    box->addButton(command, QDialogButtonBox::AcceptRole);
    box->addButton(cancel, QDialogButtonBox::RejectRole);
    command->setDefault(true);
    return box;
}

inline QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

// A disk path typed or pasted into a path field: the blanks around it dropped,
// and "~" at its start read as the home folder, as a shell would.
inline QString TypedDiskPath(const QString& typed) {
    QString path = typed.trimmed();
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/"))) path.replace(0, 1, QDir::homePath());
    return path;
}

// Why a typed folder can't be used, or "" when it names a folder there is.
inline QString RefusalOfFolder(const QString& path) {
    if (path.isEmpty()) return QStringLiteral("Type a directory, or choose one.");
    const QFileInfo folder(path);
    if (folder.isRelative()) return QStringLiteral("\"%1\" is not a full path: type it from \"/\" on.").arg(path);
    if (!folder.exists()) return QStringLiteral("The directory \"%1\" does not exist.").arg(path);
    if (!folder.isDir()) return QStringLiteral("\"%1\" is not a directory.").arg(path);
    return {};
}

// How a dialog tells the user that what was typed can't be used: a message box
// over it, which the dialog's tests replace.
using RefusalFn = std::function<void(const QString& why)>;
inline RefusalFn MessageBoxRefusal(QWidget* dialog) {
    return [dialog](const QString& why) { QMessageBox::warning(dialog, dialog->windowTitle(), why); };
}
inline std::string ToUtf8(const QString& text) { return text.toStdString(); }

}  // namespace varnok::dialog_parts
