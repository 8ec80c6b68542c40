#pragma once

#include <filesystem>

namespace varnok::samples {

// Writes the demo archives into `folder`, the same bytes on every run:
//   demo.rfh + demo.rfd  a few hundred entries in stored folders, the way the
//                        game's archives look (text, texture-like and noisy data)
//   demo.bag             sound entries of PCM types 2, 6, 7 (stereo) and 22, IMA ADPCM
//                        (28, as the game's speech), MP3 and others
//   demo.mpk             a package of a few files, laid out like a plug-in
void WriteSampleArchives(const std::filesystem::path& folder);

}  // namespace varnok::samples
