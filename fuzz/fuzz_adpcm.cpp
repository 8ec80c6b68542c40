// Feeds arbitrary bytes to the IMA ADPCM decoder: the first byte picks the channel
// count, the next two the block size, the rest is the data. Blocks that decode are
// encoded again, and the encoding must decode to whole blocks of samples. A
// FormatError is an expected answer to bad blocks; anything else is a bug.
#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/FormatError.h"
#include "formats/audio/ImaAdpcm.h"
#include "fuzz/Replay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnok::audio;
    if (size < 3) return 0;
    const unsigned channels = 1 + (data[0] & 1);
    const std::size_t blockAlign = static_cast<std::size_t>(data[1] | data[2] << 8);
    const std::span<const std::uint8_t> blocks(data + 3, size - 3);
    try {
        const auto samples = ImaDecode(blocks, channels, blockAlign, "input");
        if (samples.size() % channels != 0) __builtin_trap();
        if (!ImaValidBlockAlign(blockAlign, channels)) return 0;
        const auto encoded = ImaEncode(samples, channels, blockAlign);
        const auto again = ImaDecode(encoded, channels, blockAlign, "encoded input");
        const std::size_t frames = samples.size() / channels;
        const std::size_t perBlock = ImaSamplesPerBlock(blockAlign, channels);
        if (again.size() != (frames + perBlock - 1) / perBlock * perBlock * channels) __builtin_trap();
    } catch (const varnok::FormatError&) {
    }
    return 0;
}
