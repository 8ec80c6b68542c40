#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/model/ModelScene.h"

namespace varnok::modelexport {

// The files a model can be converted to.
enum class ModelFormat {
    Glb,   // NAME.glb, textures inside
    Gltf,  // NAME.gltf + NAME.bin, textures as PNG files beside
    Obj,   // NAME.obj + NAME.mtl, textures as PNG files beside
};

// "glb", "gltf" or "obj"; nothing for any other word.
std::optional<ModelFormat> ModelFormatNamed(const std::string& word);
// The extension of the main file, with its dot: ".glb".
std::string ModelExtension(ModelFormat format);
// A model's file name as converted: "tank.xbf" -> "tank.glb".
std::string ConvertedModelName(const std::string& fileName, ModelFormat format);

// The bytes of the TGA texture of this name (as the model spells it), or nothing
// when there is no such texture.
using TextureSource = std::function<std::optional<std::vector<std::uint8_t>>(const std::string& name)>;

// One file of an export, to be written under `name` beside the main file.
struct ExportedFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// The model as the files of `format`, the main file first, all in memory. The
// node tree and its transforms are kept, coordinates as stored; normals and
// texture coordinates kept. Textures go in as PNG (magenta transparent); those the
// source does not have leave their faces with a plain grey material. Throws
// FormatError when the model or the export fails.
std::vector<ExportedFile> ExportModel(const model::ModelScene& scene, const TextureSource& textures,
                                      const std::string& stem, ModelFormat format);

// Reads the .xbf bytes and writes their export to `target` (its name decides
// the stem and the folder of the other files), each file written beside its
// name and renamed over it.
void ConvertModelFile(std::span<const std::uint8_t> xbf, const TextureSource& textures,
                      const std::filesystem::path& target, ModelFormat format);

}  // namespace varnok::modelexport
