#pragma once

#include <QWidget>
#include <memory>

#include "shell/preview/ModelPreview.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace varnok {

class ModelCanvas;

// Shows a model: the OpenGL view (drag to turn, wheel to zoom, R or Reset to
// reset, Wireframe to see the faces' edges) above a line of facts. Where no
// OpenGL context can be had, the view says so and the facts stay.
class ModelView : public QWidget {
    Q_OBJECT
public:
    explicit ModelView(QWidget* parent = nullptr);

    void SetModel(std::shared_ptr<const ModelPreview> model);
    QString Facts() const;
    QString Notice() const;  // why no model is drawn, or ""
    // The view as drawn now; a null image without OpenGL or before a model.
    QImage Render();
    ModelCanvas* Canvas() const noexcept { return canvas_; }

    // Whether an OpenGL context can be made on this display (asked once).
    static bool OpenGlAvailable();

private:
    void MakeCanvas();

    QVBoxLayout* layout_ = nullptr;
    QLabel* notice_ = nullptr;
    QLabel* facts_ = nullptr;
    QPushButton* reset_ = nullptr;
    QCheckBox* wireframe_ = nullptr;
    ModelCanvas* canvas_ = nullptr;
};

}  // namespace varnok
