#include "shell/preview/ImageView.h"

#include <QPixmap>
#include <QResizeEvent>

namespace varnok {

ImageView::ImageView(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
    setMinimumSize(1, 1);  // the pixmap must not hold the pane open at its size
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void ImageView::SetImage(const QImage& image) {
    image_ = image;
    Rescale();
}

void ImageView::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Rescale();
}

void ImageView::Rescale() {
    if (image_.isNull()) {
        clear();
        return;
    }
    const QSize room = contentsRect().size();
    const bool fits = image_.width() <= room.width() && image_.height() <= room.height();
    const QImage shown = fits ? image_ : image_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    setPixmap(QPixmap::fromImage(shown));
}

}  // namespace varnok
