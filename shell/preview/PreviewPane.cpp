#include "shell/preview/PreviewPane.h"

#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "shell/preview/HexView.h"
#include "shell/preview/ImageView.h"
#include "shell/preview/ModelView.h"
#include "shell/preview/SoundView.h"
#include "shell/preview/TextView.h"

namespace varnok {

PreviewPane::PreviewPane(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picPreview"));
    details_ = new QLabel;
    details_->setObjectName(QStringLiteral("lblPreviewDetails"));
    details_->setWordWrap(true);
    details_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    message_ = new QLabel;
    message_->setObjectName(QStringLiteral("lblPreviewMessage"));
    message_->setWordWrap(true);
    message_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text_ = new TextView;
    text_->setObjectName(QStringLiteral("txtPreview"));
    image_ = new ImageView;
    image_->setObjectName(QStringLiteral("imgPreview"));
    sound_ = new SoundView;
    sound_->setObjectName(QStringLiteral("picSound"));
    hex_ = new HexView;
    hex_->setObjectName(QStringLiteral("txtHex"));
    model_ = new ModelView;
    model_->setObjectName(QStringLiteral("picModel"));
    stack_ = new QStackedWidget;
    for (QWidget* view : {static_cast<QWidget*>(message_), static_cast<QWidget*>(text_), static_cast<QWidget*>(image_),
                          static_cast<QWidget*>(sound_), static_cast<QWidget*>(hex_), static_cast<QWidget*>(model_)}) {
        stack_->addWidget(view);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(details_);
    layout->addWidget(stack_, 1);
    pool_.setMaxThreadCount(1);
    Clear();
}

// A read still running holds nothing of the pane but the pane itself: it must
// finish before the pane goes.
PreviewPane::~PreviewPane() {
    waiting_.reset();
    pool_.waitForDone();
}

void PreviewPane::ShowEntry(const EntryReader& reader, std::vector<EntryReader> textures) {
    // The details stay those of the entry shown until its successor is read, so
    // that the name above the view always belongs to what the view shows.
    waiting_.emplace(Request{++request_, reader, std::move(textures)});
    if (!running_) StartWaiting();
}

void PreviewPane::Clear() {
    ++request_;
    waiting_.reset();
    Present({});
}

void PreviewPane::StartWaiting() {
    if (!waiting_) return;
    Request next = std::move(*waiting_);
    waiting_.reset();
    running_ = true;
    pool_.start([this, next = std::move(next)] {
        const std::uint64_t request = next.number;
        PreviewContent content = BuildPreview(next.reader, next.textures);
        QMetaObject::invokeMethod(
            this, [this, request, content = std::move(content)]() mutable { Finished(request, std::move(content)); },
            Qt::QueuedConnection);
    });
}

void PreviewPane::Finished(std::uint64_t request, PreviewContent content) {
    running_ = false;
    if (request == request_) Present(std::move(content));
    StartWaiting();
}

void PreviewPane::Present(PreviewContent content) {
    kind_ = content.kind;
    details_->setText(content.details);
    sound_->SetClip({});
    image_->SetImage({});
    text_->clear();
    hex_->clear();
    message_->clear();
    model_->SetModel(nullptr);
    switch (content.kind) {
        case PreviewKind::None: stack_->setCurrentWidget(message_); break;
        case PreviewKind::Damaged:
            message_->setText(content.text);
            stack_->setCurrentWidget(message_);
            break;
        case PreviewKind::Text:
            text_->setPlainText(content.text);
            stack_->setCurrentWidget(text_);
            break;
        case PreviewKind::Image:
            stack_->setCurrentWidget(image_);
            image_->SetImage(content.image);
            break;
        case PreviewKind::Sound:
            sound_->SetClip(std::move(content.sound));
            stack_->setCurrentWidget(sound_);
            break;
        case PreviewKind::Hex:
            hex_->setPlainText(content.text);
            stack_->setCurrentWidget(hex_);
            break;
        case PreviewKind::Model:
            model_->SetModel(std::move(content.model));
            stack_->setCurrentWidget(model_);
            break;
    }
    if (content.kind != PreviewKind::None) emit shown();
}

QString PreviewPane::Details() const { return details_->text(); }
QString PreviewPane::Message() const { return message_->text(); }

QString PreviewPane::ShownText() const {
    if (kind_ == PreviewKind::Text) return text_->toPlainText();
    if (kind_ == PreviewKind::Hex) return hex_->toPlainText();
    if (kind_ == PreviewKind::Model) return model_->Facts();
    return message_->text();
}

}  // namespace varnok
