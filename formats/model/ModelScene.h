#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnok::model {

// A 4x4 matrix, column-major: elements 12, 13 and 14 are the translation.
using Matrix4 = std::array<double, 16>;
using Vector3 = std::array<double, 3>;

constexpr Matrix4 kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

struct ModelVertex {
    std::array<float, 3> position{};
    std::array<float, 3> normal{};
};

struct ModelFace {
    std::array<std::int32_t, 3> vertices{};
    std::int32_t texture = -1;                 // into ModelScene::textures; outside it: no texture
    std::int32_t flags = 0;                    // kept as stored; its meaning is not known
    std::array<std::array<float, 2>, 3> uv{};  // v counts from the bottom of the picture
};

// One compressed frame vertex: a position in fixed point and a packed normal.
struct PackedVertex {
    std::int16_t x = 0, y = 0, z = 0;
    std::uint16_t normal = 0;
};

// Vertex animation: whole frames of positions, kept as stored.
struct VertexAnimation {
    std::int32_t frameCount = 0;
    std::int32_t count = 0;  // negative: compressed frames follow
    std::vector<std::uint32_t> keys;
    std::uint32_t scale = 0;  // bit 31: interpolation data follows the frames
    std::uint32_t baseCount = 0;
    std::vector<PackedVertex> frames;
    std::vector<std::uint32_t> interpolation;

    bool Compressed() const noexcept { return count < 0; }
    bool HasInterpolation() const noexcept { return Compressed() && (scale & 0x80000000u) != 0; }
};

enum class KeyForm : std::int32_t { Matrices = -1, Matrices3x4 = -2, SharedMatrices = -3 };

// One key frame of the sparse form: what is set at one frame.
struct KeyFrame {
    std::int16_t frame = 0;
    std::uint16_t bits = 0;                     // 0x1000 rotation, 0x2000 scale, 0x4000 translation
    std::array<float, 4> rotation{1, 0, 0, 0};  // w, x, y, z
    std::array<float, 3> scale{1, 1, 1};
    std::array<float, 3> translation{};

    static constexpr std::uint16_t kRotation = 0x1000, kScale = 0x2000, kTranslation = 0x4000;
};

// Key animation: one of the four forms, kept as stored.
struct KeyAnimation {
    std::int32_t frameCount = 0;
    std::int32_t form = 0;                  // -1, -2, -3, or the number of key frames
    std::vector<float> matrices;            // forms -1 (16 a frame), -2 and -3 (12 each)
    std::vector<std::int16_t> frameMatrix;  // form -3: the matrix of each frame
    std::vector<KeyFrame> keys;             // form >= 0
};

struct ModelNode {
    std::string name;
    std::int32_t flags = 0;         // 1 prelight, 2 smoothing, 4 vertex animation, 8 key animation
    Matrix4 transform = kIdentity;  // relative to the parent node
    std::vector<ModelNode> children;
    std::vector<ModelVertex> vertices;
    std::vector<ModelFace> faces;
    std::vector<std::array<std::uint8_t, 3>> prelight;  // an R, G, B per vertex
    std::vector<std::int32_t> smoothing;                // a group mask per face
    std::optional<VertexAnimation> vertexAnimation;
    std::optional<KeyAnimation> keyAnimation;

    static constexpr std::int32_t kPrelight = 1, kSmoothing = 2, kVertexAnimation = 4, kKeyAnimation = 8;
};

// An animation clip named in the effect data.
struct ModelClip {
    std::string name;
    std::uint32_t first = 0, last = 0;
};

// A model as the game stores it: the node tree with its meshes, the texture
// names its faces use, and the effect data kept as bytes.
struct ModelScene {
    std::int32_t version = 0;
    std::vector<std::uint8_t> fxData;
    std::vector<std::uint8_t> textureBlock;  // the names as stored, so a rewrite keeps them
    std::vector<std::string> textures;       // the names in textureBlock, in order
    std::vector<ModelNode> nodes;
    std::vector<ModelClip> clips;
};

}  // namespace varnok::model
