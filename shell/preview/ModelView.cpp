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
    notice_->setAlignment(Qt::AlignCenter);
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
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->addWidget(notice_, 1);
    layout_->addLayout(controls);
    layout_->addWidget(facts_);
}

// The OpenGL view is made when the first model comes, so that a window that
// shows none never asks for a context.
void ModelView::MakeCanvas() {
    if (canvas_ || !notice_->text().isEmpty()) return;
    if (!OpenGlAvailable()) {
        notice_->setText(tr("The model cannot be drawn: no OpenGL context could be made on this display."));
        reset_->setEnabled(false);
        wireframe_->setEnabled(false);
        return;
    }
    canvas_ = new ModelCanvas;
    canvas_->setObjectName(QStringLiteral("glModel"));
    layout_->insertWidget(0, canvas_, 1);
    notice_->hide();
    connect(reset_, &QPushButton::clicked, canvas_, &ModelCanvas::ResetView);
    connect(wireframe_, &QCheckBox::toggled, canvas_, &ModelCanvas::SetWireframe);
    canvas_->SetWireframe(wireframe_->isChecked());
}

void ModelView::SetModel(std::shared_ptr<const ModelPreview> model) {
    facts_->setText(model ? model->facts : QString());
    if (model) MakeCanvas();
    if (canvas_) canvas_->SetModel(std::move(model));
}

QString ModelView::Facts() const { return facts_->text(); }
QString ModelView::Notice() const { return notice_->text(); }

QImage ModelView::Render() { return canvas_ ? canvas_->grabFramebuffer() : QImage(); }

}  // namespace varnok
