#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/model/ModelScene.h"

namespace varnok::samples {

struct SampleFile {
    std::string name;  // a file name, no folder
    std::vector<std::uint8_t> bytes;
};

// The demo models, each showing one thing the format holds:
//   tank.xbf      a textured body with a turret child that has its own transform,
//                 helper nodes and two clips in its effect data
//   prelit.xbf    prelight colours, no texture
//   smooth.xbf    smoothing groups
//   radar.xbf     key animation, one node for each of the four key forms
//   flag.xbf      vertex animation of compressed frames with interpolation data
//   crate.xbf     a texture that is not in the archive
std::vector<SampleFile> SampleModels();

// The TGA textures the models name (as stored in the archive; the models may
// spell them in another letter case).
std::vector<SampleFile> SampleTextures();

// A model of about `faces` faces in two nodes, textured with the tank's body
// texture; `seed` varies its shape.
model::ModelScene GridModel(int faces, int seed);

// The same models as scenes, by file name.
model::ModelScene SampleScene(const std::string& name);

}  // namespace varnok::samples
