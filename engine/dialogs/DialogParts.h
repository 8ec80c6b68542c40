#pragma once

// Small builders the action dialogs share. Internal to the dialogs.
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QString>
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
inline std::string ToUtf8(const QString& text) { return text.toStdString(); }

}  // namespace varnok::dialog_parts
