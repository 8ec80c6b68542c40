#include "shell/preview/ModelPreview.h"

#include <QStringList>
#include <map>

#include "formats/FormatError.h"
#include "formats/model/ScenePose.h"
#include "formats/model/XbfFile.h"

namespace varnok {

namespace {

constexpr std::uint64_t kTextureLimit = 16ull << 20;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

std::string LastPart(const std::string& name) { return name.substr(name.find_last_of("\\/") + 1); }

// The picture named `name` among the readers, decoded; nothing when there is none.
std::optional<model::Picture> FindTexture(const std::string& name, const std::vector<EntryReader>& readers) {
    const std::string wanted = Lower(LastPart(name));
    for (const EntryReader& reader : readers) {
        if (Lower(LastPart(reader.ListName())) != wanted) continue;
        const EntryPreview read = reader.Read(kTextureLimit);
        if (!read.error.empty() || !read.complete) continue;
        try {
            model::Picture picture = model::DecodeTga(read.bytes);
            model::KeyOutMagenta(picture);
            return picture;
        } catch (const FormatError&) {
        }
    }
    return std::nullopt;
}

void AddCorner(ModelBatch& batch, const model::Vector3& p, const model::Vector3& n, const std::array<float, 2>& uv,
               const std::array<float, 3>& colour) {
    batch.vertices.insert(
        batch.vertices.end(),
        {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2]), static_cast<float>(n[0]),
         static_cast<float>(n[1]), static_cast<float>(n[2]), uv[0], uv[1], colour[0], colour[1], colour[2]});
}

// Every shown face in model space, one batch for each texture found and one
// for the rest.
std::vector<ModelBatch> Batches(const model::ModelScene& scene, const std::vector<int>& textureSlot) {
    std::map<int, ModelBatch> byTexture;
    model::ForEachNode(scene, [&](const model::ModelNode& node, const model::Matrix4& world, const model::ModelNode*) {
        if (model::IsHelperNode(node.name)) return;
        const bool prelit = node.prelight.size() == node.vertices.size();
        for (const model::ModelFace& face : node.faces) {
            const int slot = model::HasTexture(scene, face) ? textureSlot[static_cast<std::size_t>(face.texture)] : -1;
            ModelBatch& batch = byTexture[slot];
            batch.texture = slot;
            for (int i = 0; i < 3; ++i) {
                const auto index = static_cast<std::size_t>(face.vertices[i]);
                const model::ModelVertex& v = node.vertices[index];
                const model::Vector3 p = model::Transform(world, {v.position[0], v.position[1], v.position[2]});
                const model::Vector3 n = model::TransformDirection(world, {v.normal[0], v.normal[1], v.normal[2]});
                std::array<float, 3> colour{1, 1, 1};
                if (prelit) {
                    for (int c = 0; c < 3; ++c) colour[c] = node.prelight[index][c] / 255.f;
                }
                AddCorner(batch, p, n, face.uv[i], colour);
            }
        }
    });
    std::vector<ModelBatch> out;
    for (auto& [slot, batch] : byTexture) out.push_back(std::move(batch));
    return out;
}

QString Facts(const model::ModelScene& scene, std::size_t found, const std::vector<std::string>& missing) {
    const model::SceneCounts counts = model::CountScene(scene);
    QString text =
        QStringLiteral("%L1 nodes, %L2 vertices, %L3 faces").arg(counts.nodes).arg(counts.vertices).arg(counts.faces);
    text += QStringLiteral("; textures: %1 found").arg(found);
    if (!missing.empty()) {
        QStringList names;
        for (const std::string& name : missing) names << QString::fromStdString(name);
        text += QStringLiteral(", %1 missing (%2)").arg(missing.size()).arg(names.join(QStringLiteral(", ")));
    }
    if (!scene.clips.empty()) {
        QStringList clips;
        for (const model::ModelClip& clip : scene.clips) {
            clips << QStringLiteral("%1 %2–%3").arg(QString::fromStdString(clip.name)).arg(clip.first).arg(clip.last);
        }
        text += QStringLiteral("; clips: ") + clips.join(QStringLiteral(", "));
    }
    return text;
}

}  // namespace

bool IsModelEntryName(const std::string& name) { return model::IsModelName(name); }

ModelPreview BuildModelPreview(const Bytes& bytes, const std::vector<EntryReader>& textures) {
    const model::ModelScene scene = model::ReadXbf(bytes);
    ModelPreview preview;
    std::vector<int> slot(scene.textures.size(), -1);
    for (std::size_t i = 0; i < scene.textures.size(); ++i) {
        if (auto picture = FindTexture(scene.textures[i], textures)) {
            slot[i] = static_cast<int>(preview.textures.size());
            preview.textures.push_back(std::move(*picture));
        } else {
            preview.missing.push_back(scene.textures[i]);
        }
    }
    preview.batches = Batches(scene, slot);
    const model::Bounds box = model::ShownBounds(scene);
    for (int i = 0; i < 3 && !box.empty; ++i) {
        preview.center[i] = static_cast<float>((box.min[i] + box.max[i]) / 2);
        preview.size[i] = static_cast<float>(box.max[i] - box.min[i]);
    }
    preview.facts = Facts(scene, preview.textures.size(), preview.missing);
    return preview;
}

}  // namespace varnok
