#pragma once

#include <QString>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "engine/EntryPreview.h"
#include "formats/model/ModelScene.h"
#include "formats/model/Picture.h"

namespace varnok {

// The faces of one material in the model's static pose, ready for drawing:
// every corner as position, normal, texture coordinates and colour.
struct ModelBatch {
    static constexpr int kFloatsPerVertex = 11;  // x y z, nx ny nz, u v, r g b
    int texture = -1;                            // into ModelPreview::textures; -1: the neutral material
    std::vector<float> vertices;
};

// What the model view shows of a model entry, made ready off the UI thread.
struct ModelPreview {
    std::vector<ModelBatch> batches;
    std::vector<model::Picture> textures;   // the textures found, magenta transparent
    std::array<float, 3> center{}, size{};  // the box around the shown vertices
    QString facts;                          // nodes, vertices, faces, textures, clips
    std::vector<std::string> missing;       // the texture names not found
};

// Reads the model and looks its textures up by file name, in any letter case,
// among `textures` (the archive's picture entries). Throws FormatError when the
// model is damaged; a texture that cannot be read counts as missing.
ModelPreview BuildModelPreview(const Bytes& bytes, const std::vector<EntryReader>& textures);

// Whether the entry's name says it is a model.
bool IsModelEntryName(const std::string& name);

}  // namespace varnok
