#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "formats/model/ModelScene.h"

namespace varnok::model {

// a × b, both column-major: b is applied first.
Matrix4 Multiply(const Matrix4& a, const Matrix4& b);
// The point p moved by m.
Vector3 Transform(const Matrix4& m, const Vector3& p);
// The direction d turned by m's upper 3x3 (no translation), not normalised.
Vector3 TransformDirection(const Matrix4& m, const Vector3& d);

// Attachment points and selection boxes: shown by no viewer, though their
// children are.
bool IsHelperNode(const std::string& name);

// Calls visit(node, world, parent) for every node, parents before children, with
// world = parent transforms × the node's own transform. parent is null at the top.
void ForEachNode(const ModelScene& scene,
                 const std::function<void(const ModelNode&, const Matrix4&, const ModelNode*)>& visit);

// What a model holds, counted over every node (helpers included).
struct SceneCounts {
    std::size_t nodes = 0, vertices = 0, faces = 0;
};
SceneCounts CountScene(const ModelScene& scene);

// The corners of the box around the shown nodes' vertices in model space.
struct Bounds {
    Vector3 min{}, max{};
    bool empty = true;
};
Bounds ShownBounds(const ModelScene& scene);

// Whether face's texture index names one of the scene's textures.
bool HasTexture(const ModelScene& scene, const ModelFace& face);

}  // namespace varnok::model
