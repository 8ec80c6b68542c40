#include "engine/dialogs/frmOverwrite.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QVBoxLayout>

#include "engine/dialogs/DialogParts.h"

namespace varnok {
using namespace dialog_parts;

frmOverwrite::frmOverwrite(QWidget* parent, const std::string& question, const std::string& title) : QDialog(parent) {
    setWindowTitle(FromUtf8(title));
    setModal(true);

    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this).pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop);

    auto* label1 = Label(this, FromUtf8(question), nullptr, "Label1");
    label1->setWordWrap(true);
    label1->setMinimumWidth(360);

    auto* cmdYes = Button(this, "cmdYes", tr("&Yes"));
    auto* cmdNo = Button(this, "cmdNo", tr("&No"));
    auto* cmdYestoAll = Button(this, "cmdYestoAll", tr("Yes to &All"));
    auto* cmdNotoAll = Button(this, "cmdNotoAll", tr("N&o to All"));
    // Enter keeps the existing file: replacing it is what has to be chosen. A
    // focused button takes Enter, so No starts with the focus too.
    cmdNo->setDefault(true);
    cmdNo->setFocus();
    connect(cmdYes, &QPushButton::clicked, this, [this] { answerWith(OverwriteAnswer::Yes); });
    connect(cmdNo, &QPushButton::clicked, this, [this] { answerWith(OverwriteAnswer::No); });
    connect(cmdYestoAll, &QPushButton::clicked, this, [this] { answerWith(OverwriteAnswer::YesToAll); });
    connect(cmdNotoAll, &QPushButton::clicked, this, [this] { answerWith(OverwriteAnswer::NoToAll); });

    auto* text = new QHBoxLayout;
    text->addWidget(icon);
    text->addWidget(label1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdYes);
    buttons->addWidget(cmdNo);
    buttons->addWidget(cmdYestoAll);
    buttons->addWidget(cmdNotoAll);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(text);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmOverwrite::answerWith(OverwriteAnswer answer) {
    answer_ = answer;
    accept();
}

OverwriteAnswer frmOverwrite::Ask(QWidget* parent, const std::string& question, const std::string& title) {
    frmOverwrite dialog(parent, question, title);
    dialog.exec();
    return dialog.Answer();
}

}  // namespace varnok
