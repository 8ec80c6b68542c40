#include "shell/frmAbout.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QSysInfo>
#include <QVBoxLayout>

#include "shell/HelpLinks.h"

namespace varnok {

namespace {

QLabel* AddLabel(QWidget* parent, QLayout* layout, const char* objectName, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setTextFormat(Qt::PlainText);
    layout->addWidget(label);
    return label;
}

std::string Known(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.compare(QLatin1String("unknown"), Qt::CaseInsensitive) == 0) return {};
    return trimmed.toStdString();
}

}  // namespace

PlatformInfo PlatformInfo::FromSystem() {
    PlatformInfo info;
    info.versionName = Known(QSysInfo::prettyProductName());
    info.versionNumber = Known(QSysInfo::kernelVersion());
    const std::string product = Known(QSysInfo::productType());
    if (!product.empty()) {
        info.productId = product;
        if (const std::string version = Known(QSysInfo::productVersion()); !version.empty()) {
            info.productId += " " + version;
        }
        info.productId += " (" + QSysInfo::currentCpuArchitecture().toStdString() + ")";
    }
    return info;
}

PlatformInfo PlatformInfo::WithDefaults() const {
    PlatformInfo info = *this;
    if (info.versionName.empty()) info.versionName = "Windows NT";
    return info;
}

frmAbout::frmAbout(QWidget* owner, const QString& appTitle, const PlatformInfo& platform) : QDialog(owner) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Varnok 2..."));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto* columns = new QHBoxLayout(this);
    auto* imgIcon = new QLabel(this);
    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_MessageBoxInformation);
    imgIcon->setPixmap(icon.pixmap(48, 48));
    imgIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    columns->addWidget(imgIcon);

    auto* text = new QVBoxLayout;
    columns->addLayout(text, 1);
    QLabel* lblTitle = AddLabel(this, text, "lblTitle", appTitle);
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    lblTitle->setFont(titleFont);
    AddLabel(this, text, "Label1", QStringLiteral("For viewing and editing Westwood's Emperor: Battle for Dune"));
    AddLabel(this, text, "lblAuthor", QStringLiteral("Written by ") + QString::fromUtf8(kAuthorName));

    auto* Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* engines = new QVBoxLayout(Frame1);
    QLabel* Label10 = AddLabel(Frame1, engines, "Label10", QStringLiteral("Engine Versions:"));
    QFont headingFont = Label10->font();
    headingFont.setBold(true);
    Label10->setFont(headingFont);
    AddLabel(Frame1, engines, "Label9", QStringLiteral("BAG Engine: 2.00.19"));
    AddLabel(Frame1, engines, "Label8", QStringLiteral("RFH Engine: 2.00.11"));
    AddLabel(Frame1, engines, "Label7", QStringLiteral("RFD Engine: 2.00.14"));
    text->addWidget(Frame1);

    const PlatformInfo shown = platform.WithDefaults();
    AddLabel(this, text, "Label3", QStringLiteral("Platform information:"))->setFont(headingFont);
    AddLabel(this, text, "Label4", QString::fromStdString(shown.versionName));
    AddLabel(this, text, "Label5", QString::fromStdString(shown.versionNumber));
    AddLabel(this, text, "Label6", QString::fromStdString(shown.productId));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* Command1 = new QPushButton(QStringLiteral("&Ok"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &QDialog::close);
    buttons->addWidget(Command1);
    text->addStretch(1);
    text->addLayout(buttons);
}

frmAbout* frmAbout::ShowAbout(QWidget* owner, const std::string& appTitle) {
    auto* about = new frmAbout(owner, QString::fromStdString(appTitle), PlatformInfo::FromSystem());
    about->show();
    return about;
}

}  // namespace varnok
