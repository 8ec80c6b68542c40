// Writing .xbf models: the reader's fields in the reader's order.
#include <bit>

#include "formats/model/XbfFile.h"

namespace varnok::model {

namespace {

class XbfWriter {
public:
    std::vector<std::uint8_t> Write(const ModelScene& scene) {
        I32(scene.version);
        Block(scene.fxData);
        Block(scene.textureBlock);
        for (const ModelNode& node : scene.nodes) Node(node);
        I32(-1);
        return std::move(out_);
    }

private:
    void U8(std::uint8_t v) { out_.push_back(v); }
    void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) U8(static_cast<std::uint8_t>(v >> shift));
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
    void F32(float v) { U32(std::bit_cast<std::uint32_t>(v)); }
    void F64(double v) {
        const auto bits = std::bit_cast<std::uint64_t>(v);
        U32(static_cast<std::uint32_t>(bits));
        U32(static_cast<std::uint32_t>(bits >> 32));
    }
    void Block(const std::vector<std::uint8_t>& bytes) {
        I32(static_cast<std::int32_t>(bytes.size()));
        out_.insert(out_.end(), bytes.begin(), bytes.end());
    }

    void Node(const ModelNode& node) {
        I32(static_cast<std::int32_t>(node.vertices.size()));
        I32(node.flags);
        I32(static_cast<std::int32_t>(node.faces.size()));
        I32(static_cast<std::int32_t>(node.children.size()));
        for (double m : node.transform) F64(m);
        I32(static_cast<std::int32_t>(node.name.size()));
        out_.insert(out_.end(), node.name.begin(), node.name.end());
        for (const ModelNode& child : node.children) Node(child);
        for (const ModelVertex& v : node.vertices) {
            for (float p : v.position) F32(p);
            for (float n : v.normal) F32(n);
        }
        for (const ModelFace& f : node.faces) Face(f);
        if (node.flags & ModelNode::kPrelight) {
            for (const auto& rgb : node.prelight) {
                for (std::uint8_t c : rgb) U8(c);
            }
        }
        if (node.flags & ModelNode::kSmoothing) {
            for (std::int32_t s : node.smoothing) I32(s);
        }
        if (node.flags & ModelNode::kVertexAnimation) VertexFrames(node.vertexAnimation.value_or(VertexAnimation{}));
        if (node.flags & ModelNode::kKeyAnimation) Keys(node.keyAnimation.value_or(KeyAnimation{}));
    }

    void Face(const ModelFace& f) {
        for (std::int32_t v : f.vertices) I32(v);
        I32(f.texture);
        I32(f.flags);
        for (const auto& uv : f.uv) {
            F32(uv[0]);
            F32(uv[1]);
        }
    }

    void VertexFrames(const VertexAnimation& a) {
        I32(a.frameCount);
        I32(a.count);
        I32(static_cast<std::int32_t>(a.keys.size()));
        for (std::uint32_t k : a.keys) U32(k);
        if (!a.Compressed()) return;
        U32(a.scale);
        U32(a.baseCount);
        for (const PackedVertex& v : a.frames) {
            I16(v.x);
            I16(v.y);
            I16(v.z);
            U16(v.normal);
        }
        if (a.HasInterpolation()) {
            for (std::uint32_t v : a.interpolation) U32(v);
        }
    }

    void Keys(const KeyAnimation& a) {
        I32(a.frameCount);
        I32(a.form);
        if (a.form == static_cast<std::int32_t>(KeyForm::SharedMatrices)) {
            I32(static_cast<std::int32_t>(a.matrices.size() / 12));
            for (std::int16_t m : a.frameMatrix) I16(m);
        }
        for (float f : a.matrices) F32(f);
        for (const KeyFrame& k : a.keys) {
            I16(k.frame);
            U16(k.bits);
            if (k.bits & KeyFrame::kRotation) {
                for (float f : k.rotation) F32(f);
            }
            if (k.bits & KeyFrame::kScale) {
                for (float f : k.scale) F32(f);
            }
            if (k.bits & KeyFrame::kTranslation) {
                for (float f : k.translation) F32(f);
            }
        }
    }

    std::vector<std::uint8_t> out_;
};

}  // namespace

std::vector<std::uint8_t> WriteXbf(const ModelScene& scene) { return XbfWriter().Write(scene); }

std::vector<std::uint8_t> TextureBlockOf(const std::vector<std::string>& names) {
    std::vector<std::uint8_t> block;
    for (const std::string& name : names) {
        block.insert(block.end(), name.begin(), name.end());
        block.push_back(0);
        block.push_back(0);
    }
    return block;
}

}  // namespace varnok::model
