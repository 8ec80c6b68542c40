// The static pose of a model: where every node's vertices are in model space.
#include <algorithm>

#include "formats/model/ScenePose.h"

namespace varnok::model {

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 out{};
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[column * 4 + k];
            out[column * 4 + row] = sum;
        }
    }
    return out;
}

Vector3 Transform(const Matrix4& m, const Vector3& p) {
    Vector3 out;
    for (int row = 0; row < 3; ++row) out[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
    return out;
}

Vector3 TransformDirection(const Matrix4& m, const Vector3& d) {
    Vector3 out;
    for (int row = 0; row < 3; ++row) out[row] = m[row] * d[0] + m[4 + row] * d[1] + m[8 + row] * d[2];
    return out;
}

bool IsHelperNode(const std::string& name) {
    return name == "#^^0" || name.find("{LEECH}") != std::string::npos || name.starts_with("SLCT");
}

namespace {

void Walk(const ModelNode& node, const Matrix4& parentWorld, const ModelNode* parent,
          const std::function<void(const ModelNode&, const Matrix4&, const ModelNode*)>& visit) {
    const Matrix4 world = Multiply(parentWorld, node.transform);
    visit(node, world, parent);
    for (const ModelNode& child : node.children) Walk(child, world, &node, visit);
}

}  // namespace

void ForEachNode(const ModelScene& scene,
                 const std::function<void(const ModelNode&, const Matrix4&, const ModelNode*)>& visit) {
    for (const ModelNode& node : scene.nodes) Walk(node, kIdentity, nullptr, visit);
}

SceneCounts CountScene(const ModelScene& scene) {
    SceneCounts counts;
    ForEachNode(scene, [&](const ModelNode& node, const Matrix4&, const ModelNode*) {
        ++counts.nodes;
        counts.vertices += node.vertices.size();
        counts.faces += node.faces.size();
    });
    return counts;
}

Bounds ShownBounds(const ModelScene& scene) {
    Bounds box;
    ForEachNode(scene, [&](const ModelNode& node, const Matrix4& world, const ModelNode*) {
        if (IsHelperNode(node.name)) return;
        for (const ModelVertex& v : node.vertices) {
            const Vector3 p = Transform(world, {v.position[0], v.position[1], v.position[2]});
            if (box.empty) box.min = box.max = p;
            box.empty = false;
            for (int i = 0; i < 3; ++i) {
                box.min[i] = std::min(box.min[i], p[i]);
                box.max[i] = std::max(box.max[i], p[i]);
            }
        }
    });
    return box;
}

bool HasTexture(const ModelScene& scene, const ModelFace& face) {
    return face.texture >= 0 && static_cast<std::size_t>(face.texture) < scene.textures.size();
}

}  // namespace varnok::model
