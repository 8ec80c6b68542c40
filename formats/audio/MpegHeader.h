#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace varnok::audio {

// MPEG audio frame headers (MPEG 1, 2 and 2.5, layers I to III): what an MP3 file
// says about its sound in the 4 bytes that start every frame.

enum class MpegVersion { Mpeg1, Mpeg2, Mpeg25 };

struct MpegFrameHeader {
    MpegVersion version = MpegVersion::Mpeg1;
    unsigned layer = 0;            // 1, 2 or 3
    std::uint32_t sampleRate = 0;  // Hz
    unsigned channels = 0;         // 1 for single channel, else 2
    std::uint32_t bitrate = 0;     // bits per second; 0 for a free-format stream
    std::size_t frameLength = 0;   // bytes, header included; 0 when free format hides it
};

// The header at the start of `bytes`, or nothing when those bytes are not one
// (no sync, a reserved version, layer, rate or bit rate).
std::optional<MpegFrameHeader> ParseMpegFrameHeader(std::span<const std::uint8_t> bytes);

struct MpegStart {
    MpegFrameHeader header;
    std::size_t offset = 0;  // of the first frame in the file
};

// The first frame of an MP3 file, after any ID3v2 tags. A candidate counts when the
// frame after it also starts with a header, or when it reaches the end of the
// bytes; stray sync bits in a tag's padding are so passed over. FormatError(Corrupt)
// naming `what` when no frame starts in the first 64 KiB after the tags.
MpegStart FindFirstMpegFrame(std::span<const std::uint8_t> bytes, const std::string& what);

}  // namespace varnok::audio
