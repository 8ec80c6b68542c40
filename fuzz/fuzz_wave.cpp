// Feeds arbitrary bytes to the readers of the sound files a user adds to a BAG
// archive: the RIFF WAVE reader (with the decoding of its samples, and their
// encoding as IMA ADPCM) and the search for an MP3 file's first frame. A
// FormatError is an expected answer to bad bytes; anything else is a bug.
#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/FormatError.h"
#include "formats/audio/ImaAdpcm.h"
#include "formats/audio/MpegHeader.h"
#include "formats/audio/Wave.h"
#include "fuzz/Replay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace varnok::audio;
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        const WaveSound sound = ReadWave(bytes, "input");
        const auto samples = WaveSamples16(sound, "input");
        const unsigned channels = sound.format.channels;
        const std::size_t blockAlign = ImaDefaultBlockAlign(sound.format.sampleRate, channels);
        const auto encoded = ImaEncode(samples, channels, blockAlign);
        if (encoded.size() % blockAlign != 0) __builtin_trap();
        (void)ImaDecode(encoded, channels, blockAlign, "encoded input");
    } catch (const varnok::FormatError&) {
    }
    try {
        const MpegStart start = FindFirstMpegFrame(bytes, "input");
        if (start.offset >= size || start.header.sampleRate == 0) __builtin_trap();
    } catch (const varnok::FormatError&) {
    }
    return 0;
}
