// Reading .xbf models: every field checked against the bytes that are there.
#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#include "formats/FormatError.h"
#include "formats/audio/Hex.h"
#include "formats/io/ByteReader.h"
#include "formats/model/XbfFile.h"

namespace varnok::model {

namespace {

constexpr std::size_t kVertexSize = 24;
constexpr std::size_t kFaceSize = 44;
constexpr std::size_t kPackedVertexSize = 8;
constexpr std::size_t kMinimumNodeSize = 4 * 4 + 16 * 8 + 4;
// Deeper trees are refused rather than read, so a crafted file cannot use up the stack.
constexpr int kMaxDepth = 256;

class XbfReader {
public:
    explicit XbfReader(std::span<const std::uint8_t> bytes) : in_(bytes) {}

    ModelScene Read() {
        ModelScene scene;
        scene.version = I32("the version");
        scene.fxData = Block("effect data");
        scene.textureBlock = Block("texture names");
        scene.textures = SplitTextureNames(scene.textureBlock);
        scene.clips = FindClips(scene.fxData);
        for (;;) {
            const std::int32_t vertexCount = I32("a node's vertex count, or the end mark");
            if (vertexCount == -1) break;
            scene.nodes.push_back(ReadNode(vertexCount, 0));
        }
        if (in_.remaining() != 0) Fail(std::to_string(in_.remaining()) + " bytes follow the end mark");
        return scene;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        std::string where = "at offset " + audio::Hex(in_.offset());
        if (!node_.empty()) where += " in node \"" + node_ + "\"";
        throw FormatError(FormatErrorKind::Corrupt, "The model is damaged " + where + ": " + what + ".");
    }

    void Need(std::size_t n, const char* what) const {
        if (n > in_.remaining()) Fail(std::string("the file ends inside ") + what);
    }

    std::int32_t I32(const char* what) {
        Need(4, what);
        return in_.i32le();
    }
    std::uint32_t U32(const char* what) {
        Need(4, what);
        return in_.u32le();
    }
    float F32(const char* what) { return std::bit_cast<float>(U32(what)); }
    double F64(const char* what) {
        Need(8, what);
        const std::uint64_t low = in_.u32le();
        const std::uint64_t high = in_.u32le();
        return std::bit_cast<double>(low | high << 32);
    }
    std::uint16_t U16(const char* what) {
        Need(2, what);
        const auto b = in_.bytes(2);
        return static_cast<std::uint16_t>(b[0] | b[1] << 8);
    }
    std::int16_t I16(const char* what) { return static_cast<std::int16_t>(U16(what)); }

    // A count of records of `recordSize` bytes, refused when negative or when the
    // records could not fit into the bytes left.
    std::size_t Count(std::int64_t count, std::size_t recordSize, const std::string& what) {
        if (count < 0) Fail("the count of " + what + " is negative (" + std::to_string(count) + ")");
        if (recordSize != 0 && static_cast<std::uint64_t>(count) > in_.remaining() / recordSize) {
            Fail("the " + std::to_string(count) + " " + what + " would pass the end of the file");
        }
        return static_cast<std::size_t>(count);
    }

    // A block of bytes after its size: "effect data", "texture names".
    std::vector<std::uint8_t> Block(const std::string& what) {
        const std::size_t size = Count(I32(("the size of the " + what).c_str()), 1, "bytes of " + what);
        const auto bytes = in_.bytes(size);
        return {bytes.begin(), bytes.end()};
    }

    std::vector<float> Floats(std::size_t count, const char* what) {
        std::vector<float> out(Count(static_cast<std::int64_t>(count), 4, what));
        for (float& f : out) f = F32(what);
        return out;
    }

    ModelNode ReadNode(std::int32_t vertexCount, int depth) {
        if (depth >= kMaxDepth) Fail("the node tree is nested deeper than " + std::to_string(kMaxDepth) + " levels");
        ModelNode node;
        node.flags = I32("a node's flags");
        const std::int32_t faceCount = I32("a node's face count");
        const std::int32_t childCount = I32("a node's child count");
        for (double& m : node.transform) m = F64("a node's transform");
        const std::size_t nameLength = Count(I32("a node's name length"), 1, "name bytes");
        const auto name = in_.bytes(nameLength);
        node.name.assign(name.begin(), name.end());
        const std::string parent = std::exchange(node_, node.name);

        // Not reserved: nested nodes could each claim the bytes that are left.
        Count(childCount, kMinimumNodeSize, "child nodes");
        for (std::int32_t i = 0; i < childCount; ++i) {
            const std::int32_t childVertices = I32("a child node's vertex count");
            node.children.push_back(ReadNode(childVertices, depth + 1));
            node_ = node.name;
        }
        ReadMesh(node, vertexCount, faceCount);
        if (node.flags & ModelNode::kVertexAnimation) node.vertexAnimation = ReadVertexAnimation();
        if (node.flags & ModelNode::kKeyAnimation) node.keyAnimation = ReadKeyAnimation();
        node_ = parent;
        return node;
    }

    void ReadMesh(ModelNode& node, std::int32_t vertexCount, std::int32_t faceCount) {
        node.vertices.resize(Count(vertexCount, kVertexSize, "vertices"));
        for (ModelVertex& v : node.vertices) {
            for (float& p : v.position) p = F32("a vertex");
            for (float& n : v.normal) n = F32("a vertex");
        }
        node.faces.resize(Count(faceCount, kFaceSize, "faces"));
        for (std::size_t f = 0; f < node.faces.size(); ++f) ReadFace(node.faces[f], f, node.vertices.size());
        if (node.flags & ModelNode::kPrelight) {
            node.prelight.resize(Count(vertexCount, 3, "prelight colours"));
            for (auto& rgb : node.prelight) {
                const auto b = in_.bytes(3);
                rgb = {b[0], b[1], b[2]};
            }
        }
        if (node.flags & ModelNode::kSmoothing) {
            node.smoothing.resize(Count(faceCount, 4, "smoothing groups"));
            for (std::int32_t& s : node.smoothing) s = I32("the smoothing groups");
        }
    }

    void ReadFace(ModelFace& face, std::size_t number, std::size_t vertexCount) {
        const std::size_t start = in_.offset();
        for (std::int32_t& v : face.vertices) v = I32("a face");
        face.texture = I32("a face");
        face.flags = I32("a face");
        for (auto& uv : face.uv) {
            uv[0] = F32("a face");
            uv[1] = F32("a face");
        }
        for (std::int32_t v : face.vertices) {
            if (v < 0 || static_cast<std::size_t>(v) >= vertexCount) {
                in_.seek(start);
                Fail("face " + std::to_string(number) + " names vertex " + std::to_string(v) + " of " +
                     std::to_string(vertexCount));
            }
        }
    }

    VertexAnimation ReadVertexAnimation() {
        VertexAnimation a;
        a.frameCount = I32("the vertex animation");
        a.count = I32("the vertex animation");
        a.keys.resize(Count(I32("the vertex animation"), 4, "animation keys"));
        for (std::uint32_t& k : a.keys) k = U32("the animation keys");
        if (!a.Compressed()) return a;
        a.scale = U32("the vertex animation");
        a.baseCount = U32("the vertex animation");
        if (static_cast<std::int64_t>(a.baseCount) != -static_cast<std::int64_t>(a.count)) {
            Fail("the frame vertex count " + std::to_string(a.baseCount) + " differs from " +
                 std::to_string(-static_cast<std::int64_t>(a.count)));
        }
        a.frames.resize(Count(a.baseCount, kPackedVertexSize, "frame vertices"));
        for (PackedVertex& v : a.frames) {
            v.x = I16("a frame vertex");
            v.y = I16("a frame vertex");
            v.z = I16("a frame vertex");
            v.normal = U16("a frame vertex");
        }
        if (a.HasInterpolation()) {
            a.interpolation.resize(Count(a.frameCount, 4, "interpolation values"));
            for (std::uint32_t& v : a.interpolation) v = U32("the interpolation values");
        }
        return a;
    }

    KeyAnimation ReadKeyAnimation() {
        KeyAnimation a;
        a.frameCount = I32("the key animation");
        a.form = I32("the key animation");
        if (a.frameCount < 0) Fail("the key animation has " + std::to_string(a.frameCount) + " frames");
        const std::size_t frames = static_cast<std::size_t>(a.frameCount) + 1;
        switch (a.form) {
            case static_cast<std::int32_t>(KeyForm::Matrices):
                a.matrices = Floats(Count(static_cast<std::int64_t>(frames), 64, "frame matrices") * 16, "matrices");
                break;
            case static_cast<std::int32_t>(KeyForm::Matrices3x4):
                a.matrices = Floats(Count(static_cast<std::int64_t>(frames), 48, "frame matrices") * 12, "matrices");
                break;
            case static_cast<std::int32_t>(KeyForm::SharedMatrices): {
                const std::int32_t matrixCount = I32("the key animation");
                a.frameMatrix.resize(Count(static_cast<std::int64_t>(frames), 2, "frame matrix numbers"));
                for (std::int16_t& m : a.frameMatrix) m = I16("the frame matrix numbers");
                a.matrices = Floats(Count(matrixCount, 48, "shared matrices") * 12, "matrices");
                break;
            }
            default:
                if (a.form < 0) Fail("the key animation form " + std::to_string(a.form) + " is not known");
                a.keys.resize(Count(a.form, 4, "key frames"));
                for (KeyFrame& k : a.keys) ReadKeyFrame(k);
        }
        return a;
    }

    void ReadKeyFrame(KeyFrame& k) {
        k.frame = I16("a key frame");
        k.bits = U16("a key frame");
        if (k.bits & KeyFrame::kRotation) {
            for (float& f : k.rotation) f = F32("a key frame's rotation");
        }
        if (k.bits & KeyFrame::kScale) {
            for (float& f : k.scale) f = F32("a key frame's scale");
        }
        if (k.bits & KeyFrame::kTranslation) {
            for (float& f : k.translation) f = F32("a key frame's translation");
        }
    }

    ByteReader in_;
    std::string node_;  // the node being read, for the messages
};

}  // namespace

ModelScene ReadXbf(std::span<const std::uint8_t> bytes) { return XbfReader(bytes).Read(); }

std::vector<std::string> SplitTextureNames(std::span<const std::uint8_t> block) {
    std::vector<std::string> names;
    std::string piece;
    for (std::size_t i = 0; i < block.size(); ++i) {
        const bool cut = block[i] == 0 && i + 1 < block.size() && (block[i + 1] == 0 || block[i + 1] == 2);
        if (cut || block[i] == 0) {
            if (!piece.empty()) names.push_back(std::move(piece));
            piece.clear();
            if (cut) ++i;
            continue;
        }
        piece.push_back(static_cast<char>(block[i]));
    }
    if (!piece.empty()) names.push_back(std::move(piece));
    return names;
}

std::vector<ModelClip> FindClips(std::span<const std::uint8_t> fx) {
    static constexpr std::uint8_t kMarker[4] = {0x01, 0xCC, 0xCC, 0xCC};
    constexpr std::size_t kRecord = 60;
    std::size_t at = 0;
    while (at + 4 <= fx.size() && std::memcmp(fx.data() + at, kMarker, 4) != 0) ++at;
    std::vector<ModelClip> clips;
    for (; at + 12 <= fx.size() && std::memcmp(fx.data() + at, kMarker, 4) == 0; at += kRecord) {
        ByteReader in(fx.subspan(at + 4));
        ModelClip clip;
        clip.first = in.u32le();
        clip.last = in.u32le();
        const std::size_t limit = std::min(fx.size() - at, kRecord);
        for (std::size_t i = 12; i < limit && fx[at + i] != 0; ++i) clip.name.push_back(static_cast<char>(fx[at + i]));
        clips.push_back(std::move(clip));
    }
    return clips;
}

bool IsModelName(const std::string& fileName) {
    if (fileName.size() < 4) return false;
    std::string ext = fileName.substr(fileName.size() - 4);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext == ".xbf";
}

}  // namespace varnok::model
