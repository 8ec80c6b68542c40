#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace varnok::audio {

// Microsoft-style IMA ADPCM, as WAVE_FORMAT_IMA_ADPCM files and the game's sound
// archives store it. The data is a run of blocks of `blockAlign` bytes. Each block
// starts with a 4-byte header per channel (the first sample as a signed 16-bit
// value, the step index 0..88, a zero byte), followed by 4-bit codes, low nibble
// first. With more than one channel the codes come in groups of 4 bytes (8
// samples) per channel, channel after channel.
//
// Samples are 16-bit and interleaved (left, right, left, ...) on both sides.

constexpr int kImaMaxStepIndex = 88;
constexpr std::size_t kImaHeaderBytesPerChannel = 4;

// The samples one block of blockAlign bytes decodes to, per channel; 0 when the
// block cannot even hold its headers.
std::size_t ImaSamplesPerBlock(std::size_t blockAlign, unsigned channels);

// The block size the Microsoft encoder picks for a rate and channel count: 256
// bytes per channel, doubled for every doubling of the rate above 11025 Hz
// (512 for mono at 22050 Hz, 1024 for stereo at 22050 Hz or mono at 44100 Hz).
std::size_t ImaDefaultBlockAlign(std::uint32_t sampleRate, unsigned channels);

// True when blocks of this size can be decoded: the headers and whole 4-byte
// code groups for every channel, at most 65535 bytes as a WAVE header states it.
bool ImaValidBlockAlign(std::size_t blockAlign, unsigned channels);

// Decodes `data` into interleaved 16-bit samples. A last block shorter than
// blockAlign decodes as far as it goes. A block whose header does not fit, or
// whose step index is above 88, raises FormatError(Corrupt) that names the block
// and its offset; `what` names the data in that message ("record 3 of x.bag").
std::vector<std::int16_t> ImaDecode(std::span<const std::uint8_t> data, unsigned channels, std::size_t blockAlign,
                                    const std::string& what);

// The bytes of 16-bit PCM that dataSize bytes of blocks decode to, as ImaDecode
// gives them; a last block too short for its headers adds nothing.
std::size_t ImaPcmBytes(std::size_t dataSize, unsigned channels, std::size_t blockAlign);

// ImaDecode a piece at a time, straight into little-endian 16-bit PCM bytes, for
// data too large to decode in one go. Every piece but the last holds whole blocks.
// Failures are ImaDecode's, with the same block numbers and offsets.
class ImaPcmDecoder {
public:
    ImaPcmDecoder(unsigned channels, std::size_t blockAlign, std::string what);

    // Decodes the next piece into `out`, which holds ImaPcmBytes(blocks.size(), ...)
    // bytes; returns how many it wrote.
    std::size_t decode(std::span<const std::uint8_t> blocks, std::uint8_t* out);

private:
    unsigned channels_;
    std::size_t blockAlign_;
    std::string what_;
    std::size_t blocksDone_ = 0;
};

// Encodes interleaved samples into whole blocks of blockAlign bytes. The last
// block is filled up by holding the last sample, so the game, which reads whole
// blocks, never meets a short one. Each channel starts at the step index that
// encodes its opening samples best, and every later block at the index the block
// before it ended at. blockAlign must pass ImaValidBlockAlign.
std::vector<std::uint8_t> ImaEncode(std::span<const std::int16_t> samples, unsigned channels, std::size_t blockAlign);

}  // namespace varnok::audio
