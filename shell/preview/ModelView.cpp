#include "shell/preview/ModelView.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/preview/ModelCanvas.h"

namespace varnok {

bool ModelView::OpenGlAvailable() {
    static const bool available = [] {
        QOpenGLContext context;
        if (!context.create()) return false;
        QOffscreenSurface surface;
        surface.setFormat(context.format());
        surface.create();
        return surface.isValid() && context.makeCurrent(&surface);
    }();
    return available;
}

ModelView::ModelView(QWidget* parent) : QWidget(parent) {
    notice_ = new QLabel;
    notice_->setObjectName(QStringLiteral("lblModelNotice"));
    notice_->setWordWrap(true);
    facts_ = new QLabel;
    facts_->setObjectName(QStringLiteral("lblModelFacts"));
    facts_->setWordWrap(true);
    facts_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    reset_ = new QPushButton(tr("&Reset View"));
    reset_->setObjectName(QStringLiteral("cmdModelReset"));
    wireframe_ = new QCheckBox(tr("&Wireframe"));
    wireframe_->setObjectName(QStringLiteral("chkModelWireframe"));
    auto* controls = new QHBoxLayout;
    controls->addWidget(reset_);
    controls->addWidget(wireframe_);
    controls->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (OpenGlAvailable()) {
        canvas_ = new ModelCanvas;
        canvas_->setObjectName(QStringLiteral("glModel"));
        layout->addWidget(canvas_, 1);
        connect(reset_, &QPushButton::clicked, canvas_, &ModelCanvas::ResetView);
        connect(wireframe_, &QCheckBox::toggled, canvas_, &ModelCanvas::SetWireframe);
    } else {
        notice_->setText(tr("The model cannot be drawn: no OpenGL context could be made on this display."));
        reset_->setEnabled(false);
        wireframe_->setEnabled(false);
    }
    layout->addWidget(notice_, canvas_ ? 0 : 1);
    layout->addLayout(controls);
    layout->addWidget(facts_);
    notice_->setVisible(!canvas_);
}

void ModelView::SetModel(std::shared_ptr<const ModelPreview> model) {
    facts_->setText(model ? model->facts : QString());
    if (canvas_) canvas_->SetModel(std::move(model));
}

QString ModelView::Facts() const { return facts_->text(); }
QString ModelView::Notice() const { return notice_->text(); }

QImage ModelView::Render() { return canvas_ ? canvas_->grabFramebuffer() : QImage(); }

}  // namespace varnok
