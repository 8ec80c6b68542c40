#pragma once

#include <cstddef>
#include <cstdint>

namespace varnok::audio::wide {

// How many mono blocks DecodeMonoBlocks decodes at once.
constexpr std::size_t kBlocks = 16;

// True when DecodeMonoBlocks can work here: the processor has the vector
// instructions it needs (AVX-512 F and BW) and blocks of this size suit it (whole 4-byte
// words of codes after the 4-byte header).
bool CanDecodeMonoBlocks(std::size_t blockAlign);

// Decodes kBlocks whole mono IMA ADPCM blocks of blockAlign bytes, one after
// another from `blocks`, into 16-bit little-endian samples at `out`: block k's
// samples start at sample k * (1 + 2 * (blockAlign - 4)). Each block is decoded
// in its own lane of one vector, code by code, to exactly the samples the
// one-at-a-time decoder gives. The headers must have been checked (step index at
// most 88); `stepTable` is the 89 step sizes. Call only when CanDecodeMonoBlocks.
void DecodeMonoBlocks(const std::uint8_t* blocks, std::size_t blockAlign, const std::int32_t* stepTable,
                      std::uint8_t* out);

}  // namespace varnok::audio::wide
