#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <tuple>

#include "formats/FormatError.h"
#include "formats/audio/ImaAdpcm.h"
#include "formats/audio/MpegHeader.h"
#include "formats/audio/Wave.h"
#include "formats/io/ByteReader.h"
#include "tests/formats/Failure.h"

namespace varnok::audio {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Samples = std::vector<std::int16_t>;
using test::KindOf;
using test::MessageOf;

// Interleaved frames of a sine per channel, each channel at its own pitch.
Samples Sine(std::size_t frames, unsigned channels, double amplitude = 12000) {
    Samples out;
    for (std::size_t i = 0; i < frames; ++i) {
        for (unsigned c = 0; c < channels; ++c) {
            out.push_back(static_cast<std::int16_t>(amplitude * std::sin(0.031 * (c + 1) * static_cast<double>(i))));
        }
    }
    return out;
}

double SignalToNoiseDb(const Samples& signal, const Samples& decoded) {
    double power = 0, noise = 0;
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const double s = signal[i], error = s - decoded[i];
        power += s * s;
        noise += error * error;
    }
    return 10 * std::log10(power / std::max(noise, 1.0));
}

// Codes worked through by hand from the step and index tables, starting at 0 with
// step index 0: 4 -> +7, 7 -> +16, C -> -21, 8 -> -2, 0 -> +2, 0 -> +2, 1 -> +6, F -> -30.
// They check the textbook decoder below, which checks the rest.
TEST(ImaAdpcm, DecodesAMonoBlockByHand) {
    const Bytes block = {0x00, 0x00, 0, 0, 0x74, 0x8C, 0x00, 0xF1};
    EXPECT_EQ(ImaDecode(block, 1, 8, "t"), Samples({0, 7, 23, 2, 0, 2, 4, 10, -20}));
}

// A bad block, whole or in a later piece, is named by its place in the whole data
// (here in a piece long enough to be decoded many blocks side by side).
TEST(ImaAdpcm, MalformedBlocksAreRefusedWithTheirPlace) {
    Bytes data(8 * 40, 0);
    data[8 * 3 + 2] = 90;
    ImaPcmDecoder decoder(1, 8, "record 2 of x.bag");
    Bytes pcm(ImaPcmBytes(data.size(), 1, 8));
    const std::size_t first = decoder.decode(std::span(data).first(16), pcm.data());
    EXPECT_EQ(MessageOf([&] { decoder.decode(std::span(data).subspan(16), pcm.data() + first); }),
              "ADPCM block 4 of record 2 of x.bag (at data offset 0x18) has step index 90 for channel 1, "
              "above the highest, 88");
    for (const auto& [bytes, channels, blockAlign] : {std::tuple{Bytes(8 + 3, 0), 1u, std::size_t{8}},  // cut header
                                                      {Bytes(16 + 7, 0), 2u, 16},  // 7 bytes left for 8 of headers
                                                      {Bytes(8, 0), 1u, 0}}) {
        EXPECT_EQ(KindOf([&] { ImaDecode(bytes, channels, blockAlign, "t"); }), FormatErrorKind::Corrupt);
    }
}

// The textbook decoder, one sample at a time from the step table, for checking the
// table-driven one that decodes blocks side by side and in pieces.
Samples ReferenceDecode(const Bytes& data, unsigned channels, std::size_t blockAlign) {
    static const int steps[89] = {
        7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
        31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
        130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
        544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
        2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
        9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
    static const int indexSteps[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
    Samples out;
    for (std::size_t at = 0; at < data.size(); at += blockAlign) {
        const std::size_t n = std::min(blockAlign, data.size() - at);
        const std::size_t frames = 1 + (n - 4 * channels) / (4 * channels) * 8 + (channels == 1 ? (n - 4) % 4 * 2 : 0);
        std::vector<int> predictor(channels), index(channels);
        Samples block(frames * channels);
        for (unsigned c = 0; c < channels; ++c) {
            predictor[c] = static_cast<std::int16_t>(data[at + 4 * c] | data[at + 4 * c + 1] << 8);
            index[c] = data[at + 4 * c + 2];
            block[c] = static_cast<std::int16_t>(predictor[c]);
        }
        for (std::size_t k = 0; k + 1 < frames; ++k) {
            for (unsigned c = 0; c < channels; ++c) {
                const std::uint8_t byte = data[at + 4 * channels + k / 8 * 4 * channels + 4 * c + k % 8 / 2];
                const int code = k % 2 == 0 ? byte & 15 : byte >> 4;
                const int step = steps[index[c]];
                int diff = step >> 3;
                if (code & 4) diff += step;
                if (code & 2) diff += step >> 1;
                if (code & 1) diff += step >> 2;
                predictor[c] = std::clamp(code & 8 ? predictor[c] - diff : predictor[c] + diff, -32768, 32767);
                index[c] = std::clamp(index[c] + indexSteps[code & 7], 0, 88);
                block[(k + 1) * channels + c] = static_cast<std::int16_t>(predictor[c]);
            }
        }
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

// Random codes reach every step index and both ends of the sample range. Whole
// decodes and decodes in pieces of whole blocks (the last piece ending in a short
// block) give the textbook samples; the pieces give them as little-endian bytes.
TEST(ImaAdpcm, DecodingWholeOrInPiecesGivesTheTextbookSamples) {
    std::mt19937 rng(5);
    for (const auto& [channels, blockAlign, blocks, tail, piece] :
         {std::tuple{1u, std::size_t{512}, 7u, std::size_t{37}, 2u},
          {1u, 8, 9, 6, 4},
          // Mono blocks by the dozen, side by side in vectors where the processor
          // has them: groups of 16 and what is left, in pieces of 20 blocks.
          {1u, 512, 37, 100, 20},
          {1u, 8, 33, 4, 33},
          {1u, 11, 40, 5, 40},  // codes not in whole 4-byte words
          {2u, 1024, 4, 8 + 24, 1},
          {2u, 16, 6, 0, 4}}) {
        Bytes data(blockAlign * blocks + tail);
        for (auto& b : data) b = static_cast<std::uint8_t>(rng());
        for (std::size_t at = 0; at < data.size(); at += blockAlign) {
            for (unsigned c = 0; c < channels; ++c) data[at + 4 * c + 2] = static_cast<std::uint8_t>(rng() % 89);
        }
        const Samples expected = ReferenceDecode(data, channels, blockAlign);
        ASSERT_EQ(ImaDecode(data, channels, blockAlign, "t"), expected) << channels << " x " << blockAlign;

        ASSERT_EQ(ImaPcmBytes(data.size(), channels, blockAlign), expected.size() * 2);
        ImaPcmDecoder decoder(channels, blockAlign, "t");
        Bytes pcm(expected.size() * 2 + 1, 0xAA);  // one byte more, which must stay
        std::size_t written = 0;
        for (std::size_t at = 0; at < data.size(); at += piece * blockAlign) {
            const std::span<const std::uint8_t> part(&data[at], std::min(piece * blockAlign, data.size() - at));
            written += decoder.decode(part, pcm.data() + written);
        }
        EXPECT_EQ(written, expected.size() * 2);
        EXPECT_EQ(pcm.back(), 0xAA);
        pcm.pop_back();
        EXPECT_EQ(pcm, Pcm16Bytes(expected)) << channels << " x " << blockAlign;
    }
}

TEST(ImaAdpcm, EncodedSinesComeBackAboveTwentyDecibels) {
    for (unsigned channels : {1u, 2u}) {
        const std::size_t blockAlign = ImaDefaultBlockAlign(22050, channels);
        const Samples signal = Sine(5000, channels);
        const Bytes encoded = ImaEncode(signal, channels, blockAlign);
        ASSERT_EQ(encoded.size(), 5 * blockAlign);  // 5000 frames fill 5 blocks of 1017

        const Samples decoded = ImaDecode(encoded, channels, blockAlign, "t");
        ASSERT_EQ(decoded.size(), 5 * 1017u * channels);
        EXPECT_GT(SignalToNoiseDb(signal, decoded), 20.0) << channels << " channels";
    }
}

// Interleaved frames of sample(frame, channel).
template <typename Sample>
Samples Signal(std::size_t frames, unsigned channels, Sample sample) {
    Samples out;
    for (std::size_t i = 0; i < frames; ++i) {
        for (unsigned c = 0; c < channels; ++c) {
            out.push_back(static_cast<std::int16_t>(std::clamp(sample(static_cast<double>(i), c), -32768.0, 32767.0)));
        }
    }
    return out;
}

// The encoder's first block, decoded by the textbook decoder, against the signal.
// The floors are what sox's IMA ADPCM encoder reaches on the same signals (its
// blocks are also 1017 frames here), less 3 dB. A first step index that does not
// suit the opening samples misses them by thousands: starting at 0 gave 37.5,
// 17.1 and -0.7 dB on the first three.
TEST(ImaAdpcm, TheFirstBlockOfALoudSoundComesCloseFromItsFirstSample) {
    const struct {
        const char* what;
        Samples signal;
        unsigned channels;
        std::size_t frames;  // how many of the first block's frames are compared
        double soxDb;
    } cases[] = {
        {"loud sine, first block",
         Signal(5000, 1, [](double i, unsigned) { return std::round(30000 * std::sin(0.031 * i)); }), 1, 1017, 52.3},
        {"loud sine, first 16 samples",
         Signal(5000, 1, [](double i, unsigned) { return std::round(32000 * std::sin(0.2 * i + 1.0)); }), 1, 16, 35.8},
        {"7 stereo frames",
         Signal(7, 2,
                [](double i, unsigned c) {
                    return c == 0 ? std::trunc(30000 * std::sin(0.5 * i + 0.3))
                                  : std::trunc(-28000 * std::cos(0.4 * i));
                }),
         2, 7, 5.9},
        {"full-scale square wave, first block",
         Signal(3000, 1, [](double i, unsigned) { return static_cast<int>(i) % 4 < 2 ? 32767.0 : -32768.0; }), 1, 1017,
         12.6},
    };
    for (const auto& c : cases) {
        const std::size_t blockAlign = ImaDefaultBlockAlign(22050, c.channels);
        const Bytes encoded = ImaEncode(c.signal, c.channels, blockAlign);
        const Samples decoded =
            ReferenceDecode(Bytes(encoded.begin(), encoded.begin() + blockAlign), c.channels, blockAlign);
        const std::size_t n = c.frames * c.channels;
        const Samples opening(c.signal.begin(), c.signal.begin() + n);
        EXPECT_GE(SignalToNoiseDb(opening, Samples(decoded.begin(), decoded.begin() + n)), c.soxDb - 3) << c.what;
    }
}

// A full-scale square wave drives the step index to its top, 88, and holds it
// there: every block header must still say 88 at most, or no decoder takes it.
TEST(ImaAdpcm, AFullScaleSquareWaveKeepsTheStepIndexInRange) {
    for (unsigned channels : {1u, 2u}) {
        const Samples square = Signal(
            8000, channels, [](double i, unsigned c) { return static_cast<int>(i + c) % 6 < 3 ? 32767.0 : -32768.0; });
        const std::size_t blockAlign = ImaDefaultBlockAlign(22050, channels);
        const Bytes encoded = ImaEncode(square, channels, blockAlign);
        int highest = 0;
        for (std::size_t at = 0; at < encoded.size(); at += blockAlign) {
            for (unsigned c = 0; c < channels; ++c) highest = std::max<int>(highest, encoded[at + 4 * c + 2]);
        }
        EXPECT_EQ(highest, kImaMaxStepIndex) << channels << " channels";
        ASSERT_NO_THROW(ImaDecode(encoded, channels, blockAlign, "t")) << channels << " channels";
        EXPECT_EQ(ImaDecode(encoded, channels, blockAlign, "t"), ReferenceDecode(encoded, channels, blockAlign));
    }
}

// A WAVE file from its chunks: each a 4-character id and its body, padded when odd.
Bytes Riff(const std::vector<std::pair<std::string, Bytes>>& chunks) {
    Bytes out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& [id, body] : chunks) {
        out.insert(out.end(), id.begin(), id.end());
        const std::size_t at = out.size();
        out.resize(at + 4);
        PutU32le(&out[at], static_cast<std::uint32_t>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
        if (body.size() % 2 == 1) out.push_back(0);
    }
    PutU32le(&out[4], static_cast<std::uint32_t>(out.size() - 8));
    return out;
}

Bytes Fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t align, std::uint16_t bits) {
    Bytes f(16);
    PutU16le(&f[0], tag);
    PutU16le(&f[2], channels);
    PutU32le(&f[4], rate);
    PutU32le(&f[8], rate * align);
    PutU16le(&f[12], align);
    PutU16le(&f[14], bits);
    return f;
}

TEST(Wave, ReadsPcmPastUnknownAndOddChunks) {
    const Bytes file = Riff({{"LIST", {1, 2, 3}}, {"fmt ", Fmt(1, 2, 22050, 4, 16)}, {"data", {1, 2, 3, 4, 5, 6}}});
    const WaveSound s = ReadWave(file, "\"a.wav\"");
    EXPECT_EQ(std::tuple(s.format.encoding, s.format.channels, s.format.sampleRate, s.format.bitsPerSample),
              std::tuple(WaveEncoding::Pcm, 2u, 22050u, 16u));
    EXPECT_EQ(Bytes(s.data.begin(), s.data.end()), Bytes({1, 2, 3, 4}));  // the cut-off frame is dropped

    const Bytes adpcmFile = Riff({{"fmt ", Fmt(0x11, 1, 11025, 256, 4)}, {"data", Bytes(256)}});
    const WaveSound adpcm = ReadWave(adpcmFile, "t");
    EXPECT_EQ(adpcm.format.encoding, WaveEncoding::ImaAdpcm);
    EXPECT_EQ(adpcm.format.blockAlign, 256u);
    EXPECT_EQ(WaveSamples16(adpcm, "t").size(), 505u);
}

TEST(Wave, RefusesWhatItCannotReadSayingWhy) {
    Bytes truncated = Riff({{"fmt ", Fmt(1, 1, 8000, 1, 8)}, {"data", Bytes(10)}});
    truncated.resize(truncated.size() - 1);
    const std::vector<std::pair<Bytes, std::string>> cases = {
        {truncated,
         "\"x.wav\" is cut short: its \"data\" chunk at offset 0x24 claims 10 bytes, but the file ends "
         "at offset 0x35"},
        {Riff({{"data", Bytes(4)}}), "\"x.wav\" has no \"fmt \" chunk that says how its sound is stored"},
        {Riff({{"fmt ", Fmt(1, 1, 8000, 3, 24)}, {"data", {}}}),
         "\"x.wav\" holds 24-bit PCM samples; only 8 and 16-bit samples are read"},
        {Riff({{"fmt ", Fmt(3, 1, 8000, 4, 32)}, {"data", {}}}),
         "\"x.wav\" is in WAVE format 0x3; only PCM (1) and IMA ADPCM (0x11) are read"},
        {Riff({{"fmt ", Fmt(0x11, 2, 8000, 6, 4)}, {"data", {}}}),
         "\"x.wav\" gives an ADPCM block size of 6 bytes, too small for its block headers"},
    };
    for (const auto& [bytes, message] : cases) EXPECT_EQ(MessageOf([&] { ReadWave(bytes, "\"x.wav\""); }), message);
}

struct MpegCase {
    Bytes header;
    MpegVersion version;
    unsigned layer, rate, channels, bitrate;
    std::size_t frameLength;
};

TEST(Mpeg, FrameHeadersGiveRateChannelsAndBitrate) {
    const MpegCase cases[] = {
        {{0xFF, 0xFB, 0x90, 0x64}, MpegVersion::Mpeg1, 3, 44100, 2, 128000, 417},  // joint stereo
        {{0xFF, 0xFB, 0x92, 0xC4}, MpegVersion::Mpeg1, 3, 44100, 1, 128000, 418},  // mono, padded
        {{0xFF, 0xE3, 0x18, 0xC0}, MpegVersion::Mpeg25, 3, 8000, 1, 8000, 72},
        {{0xFF, 0xFD, 0xA4, 0x80}, MpegVersion::Mpeg1, 2, 48000, 2, 192000, 576},  // dual channel
        {{0xFF, 0xFB, 0x04, 0x00}, MpegVersion::Mpeg1, 3, 48000, 2, 0, 0},         // free format
    };
    for (const MpegCase& c : cases) {
        const auto h = ParseMpegFrameHeader(c.header);
        ASSERT_TRUE(h) << +c.header[1];
        EXPECT_EQ(std::tuple(h->version, h->layer, h->sampleRate, h->channels, h->bitrate, h->frameLength),
                  std::tuple(c.version, c.layer, c.rate, c.channels, c.bitrate, c.frameLength));
    }
    for (const Bytes& bad : {Bytes{0xFF, 0xFB, 0xF0, 0}, Bytes{0xFF, 0xEB, 0x90, 0}, Bytes{0xFF, 0xFB, 0x90}}) {
        EXPECT_FALSE(ParseMpegFrameHeader(bad)) << +bad[1] << " " << +bad[2];
    }
}

}  // namespace
}  // namespace varnok::audio
