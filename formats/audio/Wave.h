#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace varnok::audio {

// RIFF WAVE files: the reader for the files a user adds, and the 44-byte header of
// the PCM files the program writes.

enum class WaveEncoding { Pcm, ImaAdpcm };

struct WaveFormat {
    WaveEncoding encoding = WaveEncoding::Pcm;
    unsigned channels = 0;         // 1 or 2
    std::uint32_t sampleRate = 0;  // Hz, never 0
    unsigned bitsPerSample = 0;    // 8 or 16 for PCM, 4 for IMA ADPCM
    std::size_t blockAlign = 0;    // bytes per sample frame (PCM) or per block (ADPCM)
};

// A sound as a WAVE file holds it; `data` points into the bytes that were read.
struct WaveSound {
    WaveFormat format;
    std::span<const std::uint8_t> data;
};

constexpr std::size_t kPcmWaveHeaderSize = 44;
using PcmWaveHeaderBytes = std::array<std::uint8_t, kPcmWaveHeaderSize>;

// Reads a RIFF WAVE file of PCM (8 or 16-bit) or IMA ADPCM, mono or stereo. Chunks
// other than "fmt " and "data" are skipped; every chunk must lie inside the bytes
// given. Anything else raises FormatError(Corrupt) whose message starts with
// `what` (the file's name, quoted) and says what is wrong and where.
WaveSound ReadWave(std::span<const std::uint8_t> bytes, const std::string& what);
// The sound's data points into the bytes read, so they must outlive it.
WaveSound ReadWave(std::vector<std::uint8_t>&& bytes, const std::string& what) = delete;

// The canonical header of a PCM WAVE file whose data is dataSize bytes.
// FormatError(Range) when the file would pass the 4 GiB a RIFF size can state.
PcmWaveHeaderBytes PcmWaveHeader(unsigned channels, std::uint32_t sampleRate, unsigned bitsPerSample,
                                 std::uint64_t dataSize);

// The sound as interleaved 16-bit samples: 8-bit PCM is widened, ADPCM decoded.
std::vector<std::int16_t> WaveSamples16(const WaveSound& sound, const std::string& what);

// Interleaved 16-bit samples as little-endian bytes, as PCM data stores them.
std::vector<std::uint8_t> Pcm16Bytes(std::span<const std::int16_t> samples);

}  // namespace varnok::audio
