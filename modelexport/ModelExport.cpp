// Models converted to glTF or OBJ through Assimp's exporters.
#include "modelexport/ModelExport.h"

#include <assimp/Exporter.hpp>

#include <algorithm>

#include "formats/FormatError.h"
#include "formats/io/File.h"
#include "formats/model/Picture.h"
#include "formats/model/XbfFile.h"
#include "modelexport/AssimpScene.h"
#include "modelexport/MemoryFiles.h"

namespace varnok::modelexport {

namespace {

const char* AssimpFormatId(ModelFormat format) {
    switch (format) {
        case ModelFormat::Glb: return "glb2";
        case ModelFormat::Gltf: return "gltf2";
        case ModelFormat::Obj: return "obj";
    }
    return "";
}

// A texture name's last part with ".png" for its extension: "UI\tank.tga" -> "tank.png".
std::string PngNameOf(const std::string& textureName) {
    std::string name = textureName.substr(textureName.find_last_of("\\/") + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot != 0) name.erase(dot);
    for (char& c : name) {
        if (c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|') c = '_';
    }
    return (name.empty() ? "texture" : name) + ".png";
}

// Each texture found and decoded, as PNG; a picture that cannot be decoded
// counts as missing, so the model still converts.
std::vector<TexturePlan> PlanTextures(const model::ModelScene& scene, const TextureSource& source, bool embed) {
    std::vector<TexturePlan> plans;
    for (const std::string& name : scene.textures) {
        TexturePlan plan;
        const auto bytes = source ? source(name) : std::nullopt;
        if (bytes) {
            try {
                model::Picture picture = model::DecodeTga(*bytes);
                model::KeyOutMagenta(picture);
                for (std::size_t i = 3; i < picture.rgba.size() && !plan.hasHoles; i += 4) {
                    plan.hasHoles = picture.rgba[i] < 128;
                }
                plan.png = model::EncodePng(picture);
                plan.kind = embed ? TexturePlan::Kind::Embedded : TexturePlan::Kind::File;
                plan.fileName = PngNameOf(name);
            } catch (const FormatError&) {
                plan = TexturePlan{};
            }
        }
        plans.push_back(std::move(plan));
    }
    return plans;
}

// Assimp names the buffer of NAME.gltf "NAME_0.bin"; it becomes NAME.bin, and
// the one URI that names it follows.
void NameBufferAfterModel(std::vector<ExportedFile>& files, const std::string& stem) {
    const std::string assimpName = stem + "_0.bin", name = stem + ".bin";
    auto buffer = std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.name == assimpName; });
    if (buffer == files.end() || files.size() < 2) return;
    std::string json(files[0].bytes.begin(), files[0].bytes.end());
    const std::string quoted = "\"" + assimpName + "\"";
    const auto at = json.find(quoted);
    if (at == std::string::npos || json.find(quoted, at + 1) != std::string::npos) return;
    json.replace(at, quoted.size(), "\"" + name + "\"");
    files[0].bytes.assign(json.begin(), json.end());
    buffer->name = name;
}

}  // namespace

std::optional<ModelFormat> ModelFormatNamed(const std::string& word) {
    if (word == "glb") return ModelFormat::Glb;
    if (word == "gltf") return ModelFormat::Gltf;
    if (word == "obj") return ModelFormat::Obj;
    return std::nullopt;
}

std::string ModelExtension(ModelFormat format) {
    switch (format) {
        case ModelFormat::Glb: return ".glb";
        case ModelFormat::Gltf: return ".gltf";
        case ModelFormat::Obj: return ".obj";
    }
    return "";
}

std::string ConvertedModelName(const std::string& fileName, ModelFormat format) {
    const auto dot = fileName.rfind('.');
    return (dot == std::string::npos ? fileName : fileName.substr(0, dot)) + ModelExtension(format);
}

std::vector<ExportedFile> ExportModel(const model::ModelScene& scene, const TextureSource& textures,
                                      const std::string& stem, ModelFormat format) {
    const std::vector<TexturePlan> plans = PlanTextures(scene, textures, format == ModelFormat::Glb);
    const std::unique_ptr<aiScene> converted = BuildAssimpScene(scene, plans, stem);
    Assimp::Exporter exporter;
    auto* files = new MemoryFiles;  // the exporter owns it from here
    exporter.SetIOHandler(files);
    const std::string mainName = stem + ModelExtension(format);
    if (exporter.Export(converted.get(), AssimpFormatId(format), mainName) != aiReturn_SUCCESS) {
        throw FormatError(FormatErrorKind::InputOutput,
                          "The model could not be converted: " + std::string(exporter.GetErrorString()));
    }
    std::vector<ExportedFile> out;
    for (const std::string& name : files->Names()) {
        const auto& bytes = files->Bytes(name);
        if (name == mainName) {
            out.insert(out.begin(), {name, bytes});
        } else {
            out.push_back({name, bytes});
        }
    }
    if (format == ModelFormat::Gltf) NameBufferAfterModel(out, stem);
    for (const TexturePlan& plan : plans) {
        const bool written =
            std::any_of(out.begin(), out.end(), [&](const auto& f) { return f.name == plan.fileName; });
        if (plan.kind == TexturePlan::Kind::File && !written) out.push_back({plan.fileName, plan.png});
    }
    return out;
}

void ConvertModelFile(std::span<const std::uint8_t> xbf, const TextureSource& textures,
                      const std::filesystem::path& target, ModelFormat format) {
    const model::ModelScene scene = model::ReadXbf(xbf);
    const std::string stem = target.stem().string();
    const std::vector<ExportedFile> files = ExportModel(scene, textures, stem, format);
    // The main file last, so a model file that is there has all its parts.
    for (std::size_t i = files.size(); i-- > 0;) {
        const std::filesystem::path path = i == 0 ? target : target.parent_path() / files[i].name;
        WriteFileAtomically(path, files[i].bytes, ReplacementFile::Sync::ProcessSafe,
                            ReplacementFile::Target::NotArchiveFile);
    }
}

}  // namespace varnok::modelexport
