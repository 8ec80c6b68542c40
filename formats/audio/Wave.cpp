#include "formats/audio/Wave.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "formats/FormatError.h"
#include "formats/audio/Hex.h"
#include "formats/audio/ImaAdpcm.h"
#include "formats/io/ByteReader.h"

namespace varnok::audio {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatImaAdpcm = 0x11;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kFmtMinimum = 16;
constexpr std::size_t kFmtExtensibleMinimum = 40;
constexpr std::size_t kSubFormatOffset = 24;  // where an extensible fmt chunk names its real format

[[noreturn]] void Fail(const std::string& what, const std::string& problem) {
    throw FormatError(FormatErrorKind::Corrupt, what + " " + problem);
}

std::uint16_t U16At(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::uint32_t U32At(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(U16At(b, at)) | static_cast<std::uint32_t>(U16At(b, at + 2)) << 16;
}

bool IdIs(std::span<const std::uint8_t> id, std::string_view text) {
    return id.size() == text.size() && std::equal(id.begin(), id.end(), text.begin());
}

std::string Printable(std::span<const std::uint8_t> id) {
    std::string out;
    for (std::uint8_t c : id) out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    return out;
}

struct Chunks {
    std::optional<std::span<const std::uint8_t>> fmt, data;
};

// Walks the chunks after "RIFF size WAVE". A few stray bytes at the end, too short
// for a chunk header, are ignored, as is a missing pad byte after the last chunk.
Chunks FindChunks(std::span<const std::uint8_t> bytes, const std::string& what) {
    ByteReader r(bytes);
    r.seek(12);
    Chunks found;
    while (r.remaining() >= 8) {
        const std::size_t at = r.offset();
        const auto id = r.bytes(4);
        const std::uint32_t size = r.u32le();
        if (size > r.remaining()) {
            Fail(what, "is cut short: its \"" + Printable(id) + "\" chunk at offset " + Hex(at) + " claims " +
                           std::to_string(size) + " bytes, but the file ends at offset " + Hex(bytes.size()));
        }
        const auto body = r.bytes(size);
        if (IdIs(id, "fmt ") && !found.fmt) found.fmt = body;
        if (IdIs(id, "data") && !found.data) found.data = body;
        if (size % 2 == 1 && r.remaining() > 0) r.skip(1);
    }
    return found;
}

std::uint16_t FormatTag(std::span<const std::uint8_t> fmt) {
    const std::uint16_t tag = U16At(fmt, 0);
    if (tag == kFormatExtensible && fmt.size() >= kFmtExtensibleMinimum) return U16At(fmt, kSubFormatOffset);
    return tag;
}

WaveFormat ParseFormat(std::span<const std::uint8_t> fmt, const std::string& what) {
    if (fmt.size() < kFmtMinimum) {
        Fail(what, "has a \"fmt \" chunk of " + std::to_string(fmt.size()) + " bytes; it needs at least 16");
    }
    const std::uint16_t tag = FormatTag(fmt);
    WaveFormat format;
    format.channels = U16At(fmt, 2);
    format.sampleRate = U32At(fmt, 4);
    format.blockAlign = U16At(fmt, 12);
    format.bitsPerSample = U16At(fmt, 14);
    if (format.channels < 1 || format.channels > 2) {
        Fail(what, "has " + std::to_string(format.channels) + " channels; only mono and stereo sounds are read");
    }
    if (format.sampleRate == 0) Fail(what, "gives a sample rate of 0 Hz");
    if (tag == kFormatPcm) {
        if (format.bitsPerSample != 8 && format.bitsPerSample != 16) {
            Fail(what, "holds " + std::to_string(format.bitsPerSample) +
                           "-bit PCM samples; only 8 and 16-bit samples are read");
        }
        format.blockAlign = format.channels * format.bitsPerSample / 8;  // the only layout PCM has
        return format;
    }
    if (tag == kFormatImaAdpcm) {
        format.encoding = WaveEncoding::ImaAdpcm;
        if (ImaSamplesPerBlock(format.blockAlign, format.channels) == 0) {
            Fail(what, "gives an ADPCM block size of " + std::to_string(format.blockAlign) +
                           " bytes, too small for its block headers");
        }
        return format;
    }
    Fail(what, "is in WAVE format " + Hex(tag) + "; only PCM (1) and IMA ADPCM (0x11) are read");
}

}  // namespace

WaveSound ReadWave(std::span<const std::uint8_t> bytes, const std::string& what) {
    if (bytes.size() < 12 || !IdIs(bytes.first(4), "RIFF") || !IdIs(bytes.subspan(8, 4), "WAVE")) {
        Fail(what, "is not a WAVE file: it does not start with \"RIFF\" and \"WAVE\"");
    }
    const Chunks chunks = FindChunks(bytes, what);
    if (!chunks.fmt) Fail(what, "has no \"fmt \" chunk that says how its sound is stored");
    if (!chunks.data) Fail(what, "has no \"data\" chunk");
    WaveSound sound{ParseFormat(*chunks.fmt, what), *chunks.data};
    if (sound.format.encoding == WaveEncoding::Pcm) {
        // A last sample frame that was cut off is dropped, not read past.
        sound.data = sound.data.first(sound.data.size() - sound.data.size() % sound.format.blockAlign);
    }
    return sound;
}

PcmWaveHeaderBytes PcmWaveHeader(unsigned channels, std::uint32_t sampleRate, unsigned bitsPerSample,
                                 std::uint64_t dataSize) {
    constexpr std::uint64_t kMaxData = 0xFFFFFFFFull - (kPcmWaveHeaderSize - 8);
    if (dataSize > kMaxData) {
        throw FormatError(FormatErrorKind::Range, "a sound of " + std::to_string(dataSize) +
                                                      " bytes is too long for a WAVE file, which ends at 4 GiB");
    }
    const auto blockAlign = static_cast<std::uint16_t>(channels * bitsPerSample / 8);
    PcmWaveHeaderBytes out{};
    auto text = [&out](std::size_t at, std::string_view chars) { std::copy(chars.begin(), chars.end(), &out[at]); };
    text(0, "RIFF");
    PutU32le(&out[4], static_cast<std::uint32_t>(dataSize + kPcmWaveHeaderSize - 8));
    text(8, "WAVEfmt ");
    PutU32le(&out[16], 16);  // length of the fmt chunk
    PutU16le(&out[20], kFormatPcm);
    PutU16le(&out[22], static_cast<std::uint16_t>(channels));
    PutU32le(&out[24], sampleRate);
    PutU32le(&out[28], static_cast<std::uint32_t>(std::uint64_t{sampleRate} * blockAlign));
    PutU16le(&out[32], blockAlign);
    PutU16le(&out[34], static_cast<std::uint16_t>(bitsPerSample));
    text(36, "data");
    PutU32le(&out[40], static_cast<std::uint32_t>(dataSize));
    return out;
}

std::vector<std::int16_t> WaveSamples16(const WaveSound& sound, const std::string& what) {
    const WaveFormat& f = sound.format;
    if (f.encoding == WaveEncoding::ImaAdpcm) return ImaDecode(sound.data, f.channels, f.blockAlign, what);
    std::vector<std::int16_t> out;
    if (f.bitsPerSample == 8) {
        out.reserve(sound.data.size());
        for (std::uint8_t b : sound.data) out.push_back(static_cast<std::int16_t>((b - 128) * 256));
        return out;
    }
    out.reserve(sound.data.size() / 2);
    for (std::size_t i = 0; i + 1 < sound.data.size(); i += 2) {
        out.push_back(static_cast<std::int16_t>(U16At(sound.data, i)));
    }
    return out;
}

std::vector<std::uint8_t> Pcm16Bytes(std::span<const std::int16_t> samples) {
    std::vector<std::uint8_t> out(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) PutU16le(&out[2 * i], static_cast<std::uint16_t>(samples[i]));
    return out;
}

}  // namespace varnok::audio
