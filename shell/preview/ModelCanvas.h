#pragma once

#include <QOpenGLBuffer>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLWidget>
#include <QPointF>
#include <memory>
#include <vector>

#include "shell/preview/ModelPreview.h"

namespace varnok {

// The OpenGL drawing of a model's static pose: framed to fit, lit from the
// viewer, textured (transparent where the texture is), turned by dragging and
// zoomed by the wheel.
class ModelCanvas : public QOpenGLWidget, protected QOpenGLFunctions {
    Q_OBJECT
public:
    explicit ModelCanvas(QWidget* parent = nullptr);
    ~ModelCanvas() override;

    void SetModel(std::shared_ptr<const ModelPreview> model);
    void ResetView();
    void SetWireframe(bool on);
    bool Wireframe() const noexcept { return wireframe_; }
    float Yaw() const noexcept { return yaw_; }
    float Distance() const noexcept { return distance_; }

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct GpuBatch {
        std::unique_ptr<QOpenGLBuffer> vertices;
        std::unique_ptr<QOpenGLBuffer> edges;  // index pairs for the wireframe
        int vertexCount = 0, edgeCount = 0;
        int texture = -1;
    };
    void Upload();
    void Release();
    QMatrix4x4 ViewMatrix() const;

    std::shared_ptr<const ModelPreview> model_;
    bool dirty_ = false;  // the model changed since the last upload
    std::vector<GpuBatch> batches_;
    std::vector<GLuint> textures_;
    std::unique_ptr<QOpenGLShaderProgram> program_;
    float yaw_ = 0, pitch_ = 0, distance_ = 1;
    bool wireframe_ = false;
    QPointF lastPos_;
};

}  // namespace varnok
