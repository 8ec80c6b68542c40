#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <assimp/Importer.hpp>

#include <cstdlib>
#include <fstream>
#include <map>

#include "formats/FormatError.h"
#include "formats/io/File.h"
#include "formats/model/ScenePose.h"
#include "formats/model/XbfFile.h"
#include "modelexport/ModelExport.h"
#include "samples/SampleModels.h"
#include "tests/support/TempDir.h"

namespace varnok::modelexport {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// The demo textures by name in any letter case, as the archive would find them.
TextureSource SampleTextureSource() {
    return [](const std::string& name) -> std::optional<Bytes> {
        for (const auto& file : samples::SampleTextures()) {
            if (strcasecmp(file.name.c_str(), name.c_str()) == 0) return file.bytes;
        }
        return std::nullopt;
    };
}

// Where the exports go: a folder the glTF validator is run over afterwards when
// VARNOK_MODEL_EXPORT_DIR names one, else the test's own temporary folder.
fs::path ExportFolder(const fs::path& temporary) {
    const char* kept = std::getenv("VARNOK_MODEL_EXPORT_DIR");
    if (!kept || !*kept) return temporary;
    fs::create_directories(kept);
    return kept;
}

// A world-space corner of a face: its position, texture coordinates and the
// texture its material names.
struct Corner {
    std::array<double, 3> position;
    std::array<float, 2> uv;
    std::string texture;
};

// Every face corner of the scene, in world space, keyed by position rounded to
// 1e-4 so that the same model read two ways can be compared.
using Corners = std::multimap<std::array<long, 3>, Corner>;

std::array<long, 3> Key(const std::array<double, 3>& p) {
    return {std::lround(p[0] * 1e4), std::lround(p[1] * 1e4), std::lround(p[2] * 1e4)};
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The stem of a texture path: "*0", "TANK_BODY.png", "tank_body.tga" -> "tank_body".
std::string TextureStem(const std::string& path) {
    std::string name = Lower(path.substr(path.find_last_of("/\\") + 1));
    return name.substr(0, name.rfind('.'));
}

// The model's corners as an export should show them: a texture the source lacks
// leaves its faces untextured.
Corners CornersOf(const model::ModelScene& scene, const TextureSource& textures) {
    Corners out;
    model::ForEachNode(scene, [&](const model::ModelNode& node, const model::Matrix4& world, const model::ModelNode*) {
        if (model::IsHelperNode(node.name)) return;
        for (const model::ModelFace& face : node.faces) {
            for (int i = 0; i < 3; ++i) {
                const auto& p = node.vertices[static_cast<std::size_t>(face.vertices[i])].position;
                const model::Vector3 w = model::Transform(world, {p[0], p[1], p[2]});
                const bool textured = model::HasTexture(scene, face) &&
                                      textures(scene.textures[static_cast<std::size_t>(face.texture)]).has_value();
                const std::string texture =
                    textured ? TextureStem(scene.textures[static_cast<std::size_t>(face.texture)]) : "";
                out.emplace(Key(w), Corner{w, face.uv[i], texture});
            }
        }
    });
    return out;
}

void Collect(const aiScene& scene, const aiNode& node, const aiMatrix4x4& parent, Corners& out) {
    const aiMatrix4x4 world = parent * node.mTransformation;
    for (unsigned k = 0; k < node.mNumMeshes; ++k) {
        const aiMesh& mesh = *scene.mMeshes[node.mMeshes[k]];
        aiString path;
        std::string texture;
        const aiMaterial& material = *scene.mMaterials[mesh.mMaterialIndex];
        if (material.GetTexture(aiTextureType_DIFFUSE, 0, &path) == aiReturn_SUCCESS ||
            material.GetTexture(aiTextureType_BASE_COLOR, 0, &path) == aiReturn_SUCCESS) {
            texture = path.C_Str();
            // An embedded texture is known by the name its material was given.
            if (!texture.empty() && texture[0] == '*') {
                aiString name;
                material.Get(AI_MATKEY_NAME, name);
                texture = name.C_Str();
            }
            texture = TextureStem(texture);
        }
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            for (unsigned i = 0; i < mesh.mFaces[f].mNumIndices; ++i) {
                const unsigned v = mesh.mFaces[f].mIndices[i];
                const aiVector3D p = world * mesh.mVertices[v];
                const aiVector3D uv = mesh.mTextureCoords[0] ? mesh.mTextureCoords[0][v] : aiVector3D();
                const std::array<double, 3> w{p.x, p.y, p.z};
                out.emplace(Key(w), Corner{w, {uv.x, uv.y}, texture});
            }
        }
    }
    for (unsigned c = 0; c < node.mNumChildren; ++c) Collect(scene, *node.mChildren[c], world, out);
}

Corners CornersOf(const aiScene& scene) {
    Corners out;
    Collect(scene, *scene.mRootNode, aiMatrix4x4(), out);
    return out;
}

// Each corner of `expected` has a corner at the same place with the same
// texture coordinates and texture in `actual`, and the counts agree.
void ExpectSameCorners(const Corners& expected, const Corners& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (const auto& [key, corner] : expected) {
        const auto [first, last] = actual.equal_range(key);
        const bool found = std::any_of(first, last, [&](const auto& other) {
            const Corner& c = other.second;
            return std::abs(c.uv[0] - corner.uv[0]) < 1e-5 && std::abs(c.uv[1] - corner.uv[1]) < 1e-5 &&
                   c.texture == corner.texture;
        });
        ASSERT_TRUE(found) << "no corner at (" << corner.position[0] << ", " << corner.position[1] << ", "
                           << corner.position[2] << ") with uv (" << corner.uv[0] << ", " << corner.uv[1]
                           << ") and texture \"" << corner.texture << "\"";
    }
}

class ModelExportTest : public ::testing::TestWithParam<ModelFormat> {};

TEST_P(ModelExportTest, SamplesReadBackWithTheirWorldPositionsUvsAndTextures) {
    test::TempDir temp;
    const fs::path folder = ExportFolder(temp.path());
    for (const auto& file : samples::SampleModels()) {
        SCOPED_TRACE(file.name);
        const fs::path target = folder / ConvertedModelName(file.name, GetParam());
        ConvertModelFile(file.bytes, SampleTextureSource(), target, GetParam());
        Assimp::Importer importer;
        const aiScene* read = importer.ReadFile(target.string(), aiProcess_ValidateDataStructure);
        ASSERT_NE(read, nullptr) << importer.GetErrorString();
        ExpectSameCorners(CornersOf(model::ReadXbf(file.bytes), SampleTextureSource()), CornersOf(*read));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ModelExportTest,
                         ::testing::Values(ModelFormat::Glb, ModelFormat::Gltf, ModelFormat::Obj),
                         [](const auto& info) { return ModelExtension(info.param).substr(1); });

TEST(ModelExport, FilesBesideTheModelAndTheirReferences) {
    test::TempDir temp;
    const auto tank = samples::SampleModels().front();
    ASSERT_EQ(tank.name, "tank.xbf");
    const struct {
        ModelFormat format;
        std::vector<std::string> files;
        std::vector<std::string> mainMentions;
    } cases[] = {
        {ModelFormat::Glb, {"tank.glb"}, {"glTF", "image/png"}},
        {ModelFormat::Gltf,
         {"tank.gltf", "tank.bin", "tank_body.png", "Tank_Turret.png"},
         {"\"tank.bin\"", "\"tank_body.png\"", "\"Tank_Turret.png\"", "\"MASK\""}},
        {ModelFormat::Obj, {"tank.obj", "tank.mtl", "tank_body.png", "Tank_Turret.png"}, {"mtllib tank.mtl"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ModelExtension(c.format));
        const fs::path folder = temp.path() / ModelExtension(c.format).substr(1);
        fs::create_directories(folder);
        ConvertModelFile(tank.bytes, SampleTextureSource(), folder / c.files[0], c.format);
        std::vector<std::string> written;
        for (const auto& entry : fs::directory_iterator(folder)) written.push_back(entry.path().filename().string());
        std::sort(written.begin(), written.end());
        std::vector<std::string> expected = c.files;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(written, expected);
        const Bytes main = ReadWholeFile(folder / c.files[0]);
        const std::string text(main.begin(), main.end());
        for (const std::string& mention : c.mainMentions) EXPECT_NE(text.find(mention), std::string::npos) << mention;
    }
    const Bytes mtl = ReadWholeFile(temp.path() / "obj" / "tank.mtl");
    EXPECT_NE(std::string(mtl.begin(), mtl.end()).find("map_Kd tank_body.png"), std::string::npos);
    // The PNG's first pixel is the checker's first colour, magenta keyed out in the other.
    const Bytes png = ReadWholeFile(temp.path() / "gltf" / "Tank_Turret.png");
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(Bytes(png.begin(), png.begin() + 8), (Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
}

TEST(ModelExport, MissingTexturesLeaveAPlainMaterialAndDamagedModelsAreRefused) {
    test::TempDir temp;
    const model::ModelScene crate = samples::SampleScene("crate.xbf");
    const auto files = ExportModel(crate, SampleTextureSource(), "crate", ModelFormat::Gltf);
    ASSERT_EQ(files.size(), 2u);  // no PNG: lost_crate.tga is nowhere
    const std::string gltf(files[0].bytes.begin(), files[0].bytes.end());
    EXPECT_EQ(gltf.find("\"images\""), std::string::npos);

    Bytes damaged = model::WriteXbf(crate);
    damaged.resize(damaged.size() - 30);
    const fs::path target = temp.path() / "crate.glb";
    try {
        ConvertModelFile(damaged, SampleTextureSource(), target, ModelFormat::Glb);
        ADD_FAILURE() << "a damaged model was converted";
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("in node \"Crate\""), std::string::npos) << e.what();
    }
    EXPECT_FALSE(fs::exists(target));
}

TEST(ModelExport, FormatNamesAndConvertedNames) {
    EXPECT_EQ(ModelFormatNamed("glb"), ModelFormat::Glb);
    EXPECT_EQ(ModelFormatNamed("gltf"), ModelFormat::Gltf);
    EXPECT_EQ(ModelFormatNamed("obj"), ModelFormat::Obj);
    EXPECT_FALSE(ModelFormatNamed("fbx"));
    EXPECT_EQ(ConvertedModelName("Tank.XBF", ModelFormat::Obj), "Tank.obj");
}

}  // namespace
}  // namespace varnok::modelexport
