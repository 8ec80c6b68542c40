#include "shell/preview/ModelCanvas.h"

#include <QKeyEvent>
#include <QMatrix4x4>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace varnok {

namespace {

// The game's models stand on the x-y plane with z up; the view turns them
// about that axis.
constexpr float kStartYaw = -35, kStartPitch = 25;
constexpr float kFieldOfView = 35;

const char* const kVertexShader = R"(
attribute vec3 position;
attribute vec3 normal;
attribute vec2 uv;
attribute vec3 colour;
uniform mat4 mvp;
uniform mat3 turn;
varying vec3 v_normal;
varying vec2 v_uv;
varying vec3 v_colour;
void main() {
    v_normal = turn * normal;
    v_uv = uv;
    v_colour = colour;
    gl_Position = mvp * vec4(position, 1.0);
}
)";

// Lit from the viewer, both sides of a face alike; texels whose alpha is low
// (the game's magenta) are not drawn.
const char* const kFragmentShader = R"(
varying vec3 v_normal;
varying vec2 v_uv;
varying vec3 v_colour;
uniform sampler2D picture;
uniform bool textured;
uniform bool lines;
void main() {
    if (lines) {
        gl_FragColor = vec4(0.1, 0.1, 0.1, 1.0);
        return;
    }
    vec4 base = textured ? texture2D(picture, v_uv) : vec4(0.72, 0.72, 0.70, 1.0);
    if (base.a < 0.5) discard;
    float light = 0.35 + 0.65 * abs(normalize(v_normal).z);
    gl_FragColor = vec4(base.rgb * v_colour * light, 1.0);
}
)";

}  // namespace

ModelCanvas::ModelCanvas(QWidget* parent) : QOpenGLWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(120, 120);
}

ModelCanvas::~ModelCanvas() {
    if (!context()) return;
    makeCurrent();
    Release();
    program_.reset();
    doneCurrent();
}

void ModelCanvas::SetModel(std::shared_ptr<const ModelPreview> model) {
    model_ = std::move(model);
    dirty_ = true;
    ResetView();
}

void ModelCanvas::ResetView() {
    yaw_ = kStartYaw;
    pitch_ = kStartPitch;
    distance_ = 1;
    update();
}

void ModelCanvas::SetWireframe(bool on) {
    wireframe_ = on;
    update();
}

void ModelCanvas::initializeGL() {
    initializeOpenGLFunctions();
    program_ = std::make_unique<QOpenGLShaderProgram>();
    program_->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader);
    program_->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader);
    program_->bindAttributeLocation("position", 0);
    program_->bindAttributeLocation("normal", 1);
    program_->bindAttributeLocation("uv", 2);
    program_->bindAttributeLocation("colour", 3);
    if (!program_->link()) program_.reset();
    dirty_ = true;
}

void ModelCanvas::resizeGL(int, int) {}

void ModelCanvas::Release() {
    for (GpuBatch& batch : batches_) {
        if (batch.vertices) batch.vertices->destroy();
        if (batch.edges) batch.edges->destroy();
    }
    batches_.clear();
    if (!textures_.empty()) glDeleteTextures(static_cast<GLsizei>(textures_.size()), textures_.data());
    textures_.clear();
}

// The model's batches into buffers, its textures into texture objects; rows
// go bottom first, since the texture coordinates count from the bottom.
void ModelCanvas::Upload() {
    Release();
    dirty_ = false;
    if (!model_) return;
    for (const model::Picture& picture : model_->textures) {
        std::vector<std::uint8_t> rows(picture.rgba.size());
        const std::size_t rowBytes = std::size_t{picture.width} * 4;
        for (std::size_t y = 0; y < picture.height; ++y) {
            std::copy_n(&picture.rgba[(picture.height - 1 - y) * rowBytes], rowBytes, &rows[y * rowBytes]);
        }
        GLuint id = 0;
        glGenTextures(1, &id);
        glBindTexture(GL_TEXTURE_2D, id);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(picture.width),
                     static_cast<GLsizei>(picture.height), 0, GL_RGBA, GL_UNSIGNED_BYTE, rows.data());
        textures_.push_back(id);
    }
    for (const ModelBatch& batch : model_->batches) {
        GpuBatch gpu;
        gpu.texture = batch.texture;
        gpu.vertexCount = static_cast<int>(batch.vertices.size() / ModelBatch::kFloatsPerVertex);
        gpu.vertices = std::make_unique<QOpenGLBuffer>(QOpenGLBuffer::VertexBuffer);
        gpu.vertices->create();
        gpu.vertices->bind();
        gpu.vertices->allocate(batch.vertices.data(), static_cast<int>(batch.vertices.size() * sizeof(float)));
        std::vector<GLuint> edges;
        for (int t = 0; t + 2 < gpu.vertexCount; t += 3) {
            const auto a = static_cast<GLuint>(t);
            edges.insert(edges.end(), {a, a + 1, a + 1, a + 2, a + 2, a});
        }
        gpu.edgeCount = static_cast<int>(edges.size());
        gpu.edges = std::make_unique<QOpenGLBuffer>(QOpenGLBuffer::IndexBuffer);
        gpu.edges->create();
        gpu.edges->bind();
        gpu.edges->allocate(edges.data(), static_cast<int>(edges.size() * sizeof(GLuint)));
        batches_.push_back(std::move(gpu));
    }
}

QMatrix4x4 ModelCanvas::ViewMatrix() const {
    const std::array<float, 3> size = model_ ? model_->size : std::array<float, 3>{1, 1, 1};
    const float radius = std::max(0.5f * std::sqrt(size[0] * size[0] + size[1] * size[1] + size[2] * size[2]), 1e-3f);
    // The box's sphere just inside the view; seen from its side the model fills more.
    const float fit = 0.9f * radius / std::tan(qDegreesToRadians(kFieldOfView / 2));
    QMatrix4x4 view;
    view.translate(0, 0, -fit * distance_);
    view.rotate(pitch_ - 90, 1, 0, 0);  // z up on screen, seen from a little above
    view.rotate(yaw_, 0, 0, 1);
    if (model_) view.translate(-model_->center[0], -model_->center[1], -model_->center[2]);
    return view;
}

void ModelCanvas::paintGL() {
    glClearColor(0.23f, 0.25f, 0.28f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!program_) return;
    if (dirty_) Upload();
    if (batches_.empty()) return;
    glEnable(GL_DEPTH_TEST);
    const float ratio = static_cast<float>(std::max(width(), 1)) / static_cast<float>(std::max(height(), 1));
    const QMatrix4x4 view = ViewMatrix();
    const float far = std::abs(view.column(3).z()) * 4 + 1;
    QMatrix4x4 projection;
    projection.perspective(kFieldOfView, ratio, far / 2000, far);
    program_->bind();
    program_->setUniformValue("mvp", projection * view);
    program_->setUniformValue("turn", view.normalMatrix());
    program_->setUniformValue("picture", 0);
    constexpr int stride = ModelBatch::kFloatsPerVertex * sizeof(float);
    for (const GpuBatch& batch : batches_) {
        batch.vertices->bind();
        for (int a = 0; a < 4; ++a) program_->enableAttributeArray(a);
        program_->setAttributeBuffer(0, GL_FLOAT, 0, 3, stride);
        program_->setAttributeBuffer(1, GL_FLOAT, 3 * sizeof(float), 3, stride);
        program_->setAttributeBuffer(2, GL_FLOAT, 6 * sizeof(float), 2, stride);
        program_->setAttributeBuffer(3, GL_FLOAT, 8 * sizeof(float), 3, stride);
        const bool textured = batch.texture >= 0 && batch.texture < static_cast<int>(textures_.size());
        if (textured) {
            glActiveTexture(GL_TEXTURE0);
            glBindTexture(GL_TEXTURE_2D, textures_[static_cast<std::size_t>(batch.texture)]);
        }
        program_->setUniformValue("textured", textured);
        program_->setUniformValue("lines", false);
        glDrawArrays(GL_TRIANGLES, 0, batch.vertexCount);
        if (wireframe_) {
            program_->setUniformValue("lines", true);
            batch.edges->bind();
            glDrawElements(GL_LINES, batch.edgeCount, GL_UNSIGNED_INT, nullptr);
            batch.edges->release();
        }
        batch.vertices->release();
    }
    program_->release();
}

void ModelCanvas::mousePressEvent(QMouseEvent* event) { lastPos_ = event->position(); }

void ModelCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    const QPointF delta = event->position() - lastPos_;
    lastPos_ = event->position();
    yaw_ += static_cast<float>(delta.x()) * 0.5f;
    pitch_ = std::clamp(pitch_ + static_cast<float>(delta.y()) * 0.5f, -89.f, 89.f);
    update();
}

void ModelCanvas::wheelEvent(QWheelEvent* event) {
    const float steps = static_cast<float>(event->angleDelta().y()) / 120.f;
    distance_ = std::clamp(distance_ * std::pow(0.85f, steps), 0.05f, 20.f);
    update();
}

void ModelCanvas::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_R) {
        ResetView();
        return;
    }
    QOpenGLWidget::keyPressEvent(event);
}

}  // namespace varnok
