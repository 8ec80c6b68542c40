#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace varnok::bench {

// What an entry's bytes look like, which decides how well they compress.
enum class Kind { Text, Texture, Noise };

// One generated file: its stored folder (with a trailing "\" or empty), its name,
// and what it holds.
struct GameFile {
    std::string folder, name;
    Kind kind = Kind::Text;
    std::uint32_t size = 0;
    std::uint64_t seed = 0;
};

// The files of a game-like archive: `count` entries in a few dozen stored folders,
// scripts and tables as text, textures as smooth images, sounds and videos as bytes
// that do not compress, from a few bytes to a few megabytes, about `totalBytes` in
// all. The same seed gives the same files.
std::vector<GameFile> PlanGameFiles(int count, std::uint64_t totalBytes, std::uint64_t seed);

// The bytes of one file.
std::vector<std::uint8_t> MakeBytes(const GameFile& file);

// Writes an RFH pair of the files, every payload compressed at level 9 as the
// game's own archives are, with `threads` compressing at once.
void WriteGameArchive(const std::filesystem::path& index, const std::vector<GameFile>& files, unsigned threads);

// Writes the files flat into `folder` under their own names.
void WriteFolder(const std::filesystem::path& folder, const std::vector<GameFile>& files);

// Writes an index of the first `count` rows of `index` and a data file of the
// bytes those rows use, beside each other as `toIndex` and its data file.
void WriteFirstEntries(const std::filesystem::path& index, int count, const std::filesystem::path& toIndex);

// The data file beside an index ("X.rfh" gives "X.rfd").
std::filesystem::path DataFileOf(const std::filesystem::path& index);

}  // namespace varnok::bench
