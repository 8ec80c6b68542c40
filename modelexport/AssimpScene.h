#pragma once

#include <assimp/scene.h>

#include <memory>
#include <string>

#include "formats/model/ModelScene.h"
#include "formats/model/Picture.h"

namespace varnok::modelexport {

// Where each texture of a model went: embedded in the scene, a file beside, or
// nowhere (not found).
struct TexturePlan {
    enum class Kind { Missing, Embedded, File };
    Kind kind = Kind::Missing;
    std::string fileName;  // Kind::File: the PNG's name beside the model
    std::vector<std::uint8_t> png;
    bool hasHoles = false;  // some pixels are transparent
};

// The model as an Assimp scene: a root node over the model's nodes, each node
// with its transform and one mesh per material it uses. Helper nodes keep their
// place and transform but carry no mesh. Face corners become vertices, shared
// where position and texture coordinates agree.
std::unique_ptr<aiScene> BuildAssimpScene(const model::ModelScene& scene, const std::vector<TexturePlan>& textures,
                                          const std::string& rootName);

}  // namespace varnok::modelexport
