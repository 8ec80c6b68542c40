#pragma once

#include <QImage>
#include <QLabel>

namespace varnok {

// Shows a picture scaled down to fit the pane, never up, keeping its shape.
class ImageView : public QLabel {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent = nullptr);
    void SetImage(const QImage& image);
    const QImage& Image() const noexcept { return image_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Rescale();
    QImage image_;
};

}  // namespace varnok
