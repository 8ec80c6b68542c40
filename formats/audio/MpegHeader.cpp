#include "formats/audio/MpegHeader.h"

#include <array>

#include "formats/FormatError.h"

namespace varnok::audio {
namespace {

constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kId3HeaderSize = 10;
constexpr std::size_t kId3FooterSize = 10;
constexpr std::size_t kSearchWindow = 64 * 1024;

// Kilobits per second by bit-rate index 1..14; index 0 is free format, 15 is reserved.
using BitrateRow = std::array<std::uint16_t, 14>;
constexpr BitrateRow kV1L1 = {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448};
constexpr BitrateRow kV1L2 = {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
constexpr BitrateRow kV1L3 = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr BitrateRow kV2L1 = {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256};
constexpr BitrateRow kV2L23 = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

constexpr std::array<std::uint32_t, 3> kMpeg1Rates = {44100, 48000, 32000};

const BitrateRow& Bitrates(MpegVersion version, unsigned layer) {
    if (version == MpegVersion::Mpeg1) return layer == 1 ? kV1L1 : layer == 2 ? kV1L2 : kV1L3;
    return layer == 1 ? kV2L1 : kV2L23;
}

std::size_t FrameLength(const MpegFrameHeader& h, unsigned padding) {
    if (h.bitrate == 0) return 0;
    if (h.layer == 1) return (12 * h.bitrate / h.sampleRate + padding) * 4;
    const std::uint32_t factor = (h.layer == 3 && h.version != MpegVersion::Mpeg1) ? 72 : 144;
    return factor * h.bitrate / h.sampleRate + padding;
}

// Bytes taken by the ID3v2 tags at `at`, whose sizes are stored 7 bits a byte.
std::size_t Id3v2Length(std::span<const std::uint8_t> bytes, std::size_t at) {
    if (bytes.size() - at < kId3HeaderSize) return 0;
    const std::uint8_t* p = bytes.data() + at;
    if (p[0] != 'I' || p[1] != 'D' || p[2] != '3') return 0;
    std::size_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (p[i] & 0x80) return 0;
        size = size << 7 | p[i];
    }
    const bool footer = (p[5] & 0x10) != 0;
    return kId3HeaderSize + size + (footer ? kId3FooterSize : 0);
}

bool FollowedByFrame(std::span<const std::uint8_t> bytes, std::size_t at, const MpegFrameHeader& h) {
    if (h.frameLength == 0) return true;  // free format: nothing to check against
    const std::size_t next = at + h.frameLength;
    if (next >= bytes.size()) return true;
    const auto following = ParseMpegFrameHeader(bytes.subspan(next));
    return following && following->version == h.version && following->layer == h.layer &&
           following->sampleRate == h.sampleRate;
}

}  // namespace

std::optional<MpegFrameHeader> ParseMpegFrameHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize) return std::nullopt;
    const std::uint32_t word = static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
                               static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
    if ((word >> 21) != 0x7FF) return std::nullopt;
    const unsigned versionBits = (word >> 19) & 3;
    const unsigned layerBits = (word >> 17) & 3;
    const unsigned bitrateIndex = (word >> 12) & 15;
    const unsigned rateIndex = (word >> 10) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 15 || rateIndex == 3) return std::nullopt;

    MpegFrameHeader h;
    h.version = versionBits == 3 ? MpegVersion::Mpeg1 : versionBits == 2 ? MpegVersion::Mpeg2 : MpegVersion::Mpeg25;
    h.layer = 4 - layerBits;
    const unsigned divisor = h.version == MpegVersion::Mpeg1 ? 1 : h.version == MpegVersion::Mpeg2 ? 2 : 4;
    h.sampleRate = kMpeg1Rates[rateIndex] / divisor;
    h.channels = ((word >> 6) & 3) == 3 ? 1 : 2;
    h.bitrate = bitrateIndex == 0 ? 0 : Bitrates(h.version, h.layer)[bitrateIndex - 1] * 1000u;
    h.frameLength = FrameLength(h, (word >> 9) & 1);
    return h;
}

MpegStart FindFirstMpegFrame(std::span<const std::uint8_t> bytes, const std::string& what) {
    std::size_t start = 0;
    for (std::size_t tag; start < bytes.size() && (tag = Id3v2Length(bytes, start)) != 0;) {
        start = tag > bytes.size() - start ? bytes.size() : start + tag;
    }
    const std::size_t end = bytes.size() - start > kSearchWindow ? start + kSearchWindow : bytes.size();
    for (std::size_t at = start; at < end; ++at) {
        if (bytes[at] != 0xFF) continue;
        const auto header = ParseMpegFrameHeader(bytes.subspan(at));
        if (header && FollowedByFrame(bytes, at, *header)) return {*header, at};
    }
    throw FormatError(FormatErrorKind::Corrupt, what + " is not an MP3 file: no MPEG audio frame starts in it");
}

}  // namespace varnok::audio
