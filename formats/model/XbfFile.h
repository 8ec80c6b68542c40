#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "formats/model/ModelScene.h"

namespace varnok::model {

// The game's .xbf model files.
//
// ReadXbf reads a whole file into a scene. Bytes that do not follow the format
// (an early end, a count past the end, a face naming a vertex its node does not
// have) raise FormatError(Corrupt) naming the node and the offset where reading
// stopped. Every count is checked against the bytes left before anything is
// allocated from it.
ModelScene ReadXbf(std::span<const std::uint8_t> bytes);

// The file that holds the scene: WriteXbf(ReadXbf(b)) == b for every file the
// reader takes. The texture block is written as held in textureBlock.
std::vector<std::uint8_t> WriteXbf(const ModelScene& scene);

// The texture block as the game writes it: each name, a zero, and one more zero.
std::vector<std::uint8_t> TextureBlockOf(const std::vector<std::string>& names);

// The names in a texture block: the pieces between the byte pairs 00 00 and
// 00 02, empty pieces dropped.
std::vector<std::string> SplitTextureNames(std::span<const std::uint8_t> block);

// The clips the effect data names: records that start with 01 CC CC CC, then the
// first and last frame and a zero-ended name. None when the marker is absent.
std::vector<ModelClip> FindClips(std::span<const std::uint8_t> fxData);

// Whether the file name ends in ".xbf", in any letter case.
bool IsModelName(const std::string& fileName);

}  // namespace varnok::model
