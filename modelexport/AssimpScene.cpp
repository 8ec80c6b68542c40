// From the plain model scene to Assimp's: nodes, meshes, materials, textures.
#include "modelexport/AssimpScene.h"

#include <assimp/GltfMaterial.h>
#include <assimp/material.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_map>

#include "formats/model/ScenePose.h"

namespace varnok::modelexport {

namespace {

using model::ModelFace;
using model::ModelNode;

aiMatrix4x4 ToAssimp(const model::Matrix4& m) {
    // Assimp's matrices are row-major: a1..a4 is the first row.
    return aiMatrix4x4(static_cast<ai_real>(m[0]), static_cast<ai_real>(m[4]), static_cast<ai_real>(m[8]),
                       static_cast<ai_real>(m[12]), static_cast<ai_real>(m[1]), static_cast<ai_real>(m[5]),
                       static_cast<ai_real>(m[9]), static_cast<ai_real>(m[13]), static_cast<ai_real>(m[2]),
                       static_cast<ai_real>(m[6]), static_cast<ai_real>(m[10]), static_cast<ai_real>(m[14]),
                       static_cast<ai_real>(m[3]), static_cast<ai_real>(m[7]), static_cast<ai_real>(m[11]),
                       static_cast<ai_real>(m[15]));
}

// Whether a stored normal has a direction to keep.
bool Usable(const aiVector3D& v) {
    const ai_real squared = v.SquareLength();
    return squared > 1e-20f && std::isfinite(squared);
}

aiVector3D Unit(aiVector3D v, const aiVector3D& fallback) { return Usable(v) ? v.NormalizeSafe() : fallback; }

// A face's own normal, for corners whose stored normal has no direction.
aiVector3D FaceNormal(const ModelNode& node, const ModelFace& face) {
    aiVector3D p[3];
    for (int i = 0; i < 3; ++i) {
        const auto& pos = node.vertices[static_cast<std::size_t>(face.vertices[i])].position;
        p[i] = aiVector3D(pos[0], pos[1], pos[2]);
    }
    return Unit((p[1] - p[0]) ^ (p[2] - p[0]), aiVector3D(0, 0, 1));
}

// The materials: one for each of the model's textures, then a plain grey one for
// faces whose texture is missing or not named.
class Materials {
public:
    Materials(const model::ModelScene& scene, const std::vector<TexturePlan>& textures) {
        std::vector<int> embeddedIndex(textures.size(), -1);
        int embedded = 0;
        for (std::size_t i = 0; i < textures.size(); ++i) {
            if (textures[i].kind == TexturePlan::Kind::Embedded) embeddedIndex[i] = embedded++;
        }
        for (std::size_t i = 0; i < scene.textures.size(); ++i) {
            // A texture without a plan is missing.
            if (i >= textures.size() || textures[i].kind == TexturePlan::Kind::Missing) {
                ofTexture_.push_back(-1);
                continue;
            }
            const TexturePlan& plan = textures[i];
            const std::string path =
                plan.kind == TexturePlan::Kind::Embedded ? "*" + std::to_string(embeddedIndex[i]) : plan.fileName;
            ofTexture_.push_back(static_cast<int>(all_.size()));
            all_.push_back(Textured(scene.textures[i], path, plan.hasHoles));
        }
    }

    // The material of a face, made when first asked for.
    unsigned Of(const model::ModelScene& scene, const ModelFace& face) {
        if (model::HasTexture(scene, face) && ofTexture_[static_cast<std::size_t>(face.texture)] >= 0) {
            return static_cast<unsigned>(ofTexture_[static_cast<std::size_t>(face.texture)]);
        }
        if (plain_ < 0) {
            plain_ = static_cast<int>(all_.size());
            all_.push_back(Plain());
        }
        return static_cast<unsigned>(plain_);
    }

    std::vector<aiMaterial*> Take() { return std::move(all_); }

private:
    static aiMaterial* Textured(const std::string& name, const std::string& path, bool hasHoles) {
        auto* m = new aiMaterial;
        const aiString materialName(name);
        m->AddProperty(&materialName, AI_MATKEY_NAME);
        const aiColor4D white(1, 1, 1, 1);
        m->AddProperty(&white, 1, AI_MATKEY_COLOR_DIFFUSE);
        const aiString file(path);
        m->AddProperty(&file, AI_MATKEY_TEXTURE_DIFFUSE(0));
        if (hasHoles) {
            const aiString mask("MASK");
            m->AddProperty(&mask, AI_MATKEY_GLTF_ALPHAMODE);
        }
        return m;
    }

    static aiMaterial* Plain() {
        auto* m = new aiMaterial;
        const aiString name("untextured");
        m->AddProperty(&name, AI_MATKEY_NAME);
        const aiColor4D grey(0.7f, 0.7f, 0.7f, 1);
        m->AddProperty(&grey, 1, AI_MATKEY_COLOR_DIFFUSE);
        return m;
    }

    std::vector<int> ofTexture_;
    std::vector<aiMaterial*> all_;
    int plain_ = -1;
};

// The corners of a node's faces made into vertices: a vertex of the node used
// with the same texture coordinates is one vertex; used with others, another.
class CornerVertices {
public:
    explicit CornerVertices(std::size_t nodeVertices) : first_(nodeVertices, kNone) {}

    // The vertex of this corner, and whether it is new.
    std::pair<unsigned, bool> Of(std::int32_t vertex, float u, float v) {
        unsigned& first = first_[static_cast<std::size_t>(vertex)];
        if (first == kNone) return {first = Add(vertex, u, v), true};
        if (corners_[first].u == u && corners_[first].v == v) return {first, false};
        const Key key{vertex, std::bit_cast<std::uint32_t>(u), std::bit_cast<std::uint32_t>(v)};
        const auto [at, added] = others_.emplace(key, static_cast<unsigned>(corners_.size()));
        if (added) Add(vertex, u, v);
        return {at->second, added};
    }

    struct Corner {
        std::int32_t vertex;
        float u, v;
    };
    const std::vector<Corner>& Corners() const noexcept { return corners_; }

private:
    static constexpr unsigned kNone = ~0u;
    struct Key {
        std::int32_t vertex;
        std::uint32_t u, v;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const noexcept {
            return std::hash<std::uint64_t>()((std::uint64_t{k.u} << 32 | k.v) ^ static_cast<std::uint64_t>(k.vertex));
        }
    };
    unsigned Add(std::int32_t vertex, float u, float v) {
        corners_.push_back({vertex, u, v});
        return static_cast<unsigned>(corners_.size() - 1);
    }

    std::vector<unsigned> first_;
    std::vector<Corner> corners_;
    std::unordered_map<Key, unsigned, KeyHash> others_;
};

// The faces of one node that share a material, as one Assimp mesh.
aiMesh* BuildMesh(const ModelNode& node, const std::vector<const ModelFace*>& faces, unsigned material) {
    CornerVertices shared(node.vertices.size());
    std::vector<aiVector3D> normals;
    normals.reserve(faces.size() * 3);
    auto* mesh = new aiMesh;
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mMaterialIndex = material;
    mesh->mName = aiString(node.name);
    mesh->mNumFaces = static_cast<unsigned>(faces.size());
    mesh->mFaces = new aiFace[faces.size()];
    for (std::size_t f = 0; f < faces.size(); ++f) {
        const ModelFace& face = *faces[f];
        aiFace& out = mesh->mFaces[f];
        out.mNumIndices = 3;
        out.mIndices = new unsigned[3];
        for (int i = 0; i < 3; ++i) {
            const auto [index, added] = shared.Of(face.vertices[i], face.uv[i][0], face.uv[i][1]);
            if (added) {
                const auto& n = node.vertices[static_cast<std::size_t>(face.vertices[i])].normal;
                aiVector3D stored(n[0], n[1], n[2]);
                normals.push_back(Usable(stored) ? stored.NormalizeSafe() : FaceNormal(node, face));
            }
            out.mIndices[i] = index;
        }
    }
    const auto& corners = shared.Corners();
    const auto count = static_cast<unsigned>(corners.size());
    mesh->mNumVertices = count;
    mesh->mVertices = new aiVector3D[count];
    mesh->mNormals = new aiVector3D[count];
    mesh->mTextureCoords[0] = new aiVector3D[count];
    mesh->mNumUVComponents[0] = 2;
    const bool prelit = node.prelight.size() == node.vertices.size() && !node.prelight.empty();
    if (prelit) mesh->mColors[0] = new aiColor4D[count];
    for (unsigned v = 0; v < count; ++v) {
        const auto [index, u, w] = corners[v];
        const auto& p = node.vertices[static_cast<std::size_t>(index)].position;
        mesh->mVertices[v] = aiVector3D(p[0], p[1], p[2]);
        mesh->mNormals[v] = normals[v];
        mesh->mTextureCoords[0][v] = aiVector3D(u, w, 0);
        if (prelit) {
            const auto& c = node.prelight[static_cast<std::size_t>(index)];
            mesh->mColors[0][v] = aiColor4D(c[0] / 255.f, c[1] / 255.f, c[2] / 255.f, 1);
        }
    }
    return mesh;
}

class SceneBuilder {
public:
    SceneBuilder(const model::ModelScene& scene, const std::vector<TexturePlan>& textures)
        : scene_(scene), materials_(scene, textures) {}

    std::unique_ptr<aiScene> Build(const std::vector<TexturePlan>& textures, const std::string& rootName) {
        auto out = std::make_unique<aiScene>();
        out->mRootNode = new aiNode(rootName);
        Children(out->mRootNode, scene_.nodes);
        out->mNumMeshes = static_cast<unsigned>(meshes_.size());
        out->mMeshes = new aiMesh*[meshes_.size()];
        std::copy(meshes_.begin(), meshes_.end(), out->mMeshes);
        std::vector<aiMaterial*> materials = materials_.Take();
        if (materials.empty()) materials.push_back(new aiMaterial);  // Assimp wants at least one
        out->mNumMaterials = static_cast<unsigned>(materials.size());
        out->mMaterials = new aiMaterial*[materials.size()];
        std::copy(materials.begin(), materials.end(), out->mMaterials);
        Embed(*out, textures);
        return out;
    }

private:
    void Children(aiNode* parent, const std::vector<ModelNode>& nodes) {
        if (nodes.empty()) return;
        parent->mNumChildren = static_cast<unsigned>(nodes.size());
        parent->mChildren = new aiNode*[nodes.size()];
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            aiNode* child = new aiNode(nodes[i].name);
            child->mParent = parent;
            parent->mChildren[i] = child;
            child->mTransformation = ToAssimp(nodes[i].transform);
            if (!model::IsHelperNode(nodes[i].name)) Meshes(child, nodes[i]);
            Children(child, nodes[i].children);
        }
    }

    void Meshes(aiNode* out, const ModelNode& node) {
        std::map<unsigned, std::vector<const ModelFace*>> byMaterial;
        for (const ModelFace& face : node.faces) byMaterial[materials_.Of(scene_, face)].push_back(&face);
        if (byMaterial.empty()) return;
        out->mNumMeshes = static_cast<unsigned>(byMaterial.size());
        out->mMeshes = new unsigned[byMaterial.size()];
        unsigned k = 0;
        for (const auto& [material, faces] : byMaterial) {
            out->mMeshes[k++] = static_cast<unsigned>(meshes_.size());
            meshes_.push_back(BuildMesh(node, faces, material));
        }
    }

    static void Embed(aiScene& out, const std::vector<TexturePlan>& textures) {
        std::vector<aiTexture*> embedded;
        for (const TexturePlan& plan : textures) {
            if (plan.kind != TexturePlan::Kind::Embedded) continue;
            auto* texture = new aiTexture;
            texture->mWidth = static_cast<unsigned>(plan.png.size());
            texture->mHeight = 0;  // compressed: mWidth bytes of a PNG file
            std::strncpy(texture->achFormatHint, "png", HINTMAXTEXTURELEN - 1);
            texture->pcData = new aiTexel[(plan.png.size() + sizeof(aiTexel) - 1) / sizeof(aiTexel)];
            std::memcpy(texture->pcData, plan.png.data(), plan.png.size());
            embedded.push_back(texture);
        }
        if (embedded.empty()) return;
        out.mNumTextures = static_cast<unsigned>(embedded.size());
        out.mTextures = new aiTexture*[embedded.size()];
        std::copy(embedded.begin(), embedded.end(), out.mTextures);
    }

    const model::ModelScene& scene_;
    Materials materials_;
    std::vector<aiMesh*> meshes_;
};

}  // namespace

std::unique_ptr<aiScene> BuildAssimpScene(const model::ModelScene& scene, const std::vector<TexturePlan>& textures,
                                          const std::string& rootName) {
    return SceneBuilder(scene, textures).Build(textures, rootName);
}

}  // namespace varnok::modelexport
