#include "formats/audio/ImaAdpcm.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

#include "formats/FormatError.h"
#include "formats/audio/Hex.h"
#include "formats/audio/ImaAdpcmWide.h"
#include "formats/io/ByteReader.h"

namespace varnok::audio {
namespace {

constexpr std::array<std::int16_t, kImaMaxStepIndex + 1> kStepTable = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr std::array<int, 8> kIndexStep = {-1, -1, -1, -1, 2, 4, 6, 8};

constexpr std::size_t kGroupBytes = 4;  // code bytes per channel in one interleave group
constexpr std::size_t kSamplesPerGroup = 8;
constexpr std::size_t kMaxBlockAlign = 65535;
constexpr std::size_t kOpeningFrames = 32;  // the samples that choose the first step index

// One channel's running prediction, shared by the decoder and the encoder so that
// the encoder predicts exactly what a decoder will hear.
struct Channel {
    int predictor = 0;
    int index = 0;

    std::int16_t apply(unsigned code) {
        const int step = kStepTable[static_cast<std::size_t>(index)];
        int diff = step >> 3;
        if (code & 4) diff += step;
        if (code & 2) diff += step >> 1;
        if (code & 1) diff += step >> 2;
        predictor = std::clamp((code & 8) ? predictor - diff : predictor + diff, -32768, 32767);
        index = std::clamp(index + kIndexStep[code & 7], 0, kImaMaxStepIndex);
        return static_cast<std::int16_t>(predictor);
    }

    unsigned encode(int sample) {
        int diff = sample - predictor;
        unsigned code = 0;
        if (diff < 0) {
            code = 8;
            diff = -diff;
        }
        int step = kStepTable[static_cast<std::size_t>(index)];
        for (unsigned bit = 4; bit != 0; bit >>= 1) {
            if (diff >= step) {
                code |= bit;
                diff -= step;
            }
            step >>= 1;
        }
        apply(code);
        return code;
    }
};

std::size_t HeaderBytes(unsigned channels) { return kImaHeaderBytesPerChannel * channels; }

// Samples per channel in a block of n bytes: the header's sample, 8 for every whole
// group, and with one channel 2 for every byte that does not fill a group.
std::size_t SamplesIn(std::size_t n, unsigned channels) {
    if (channels == 0 || n < HeaderBytes(channels)) return 0;
    const std::size_t codeBytes = n - HeaderBytes(channels);
    const std::size_t groups = codeBytes / (kGroupBytes * channels);
    const std::size_t loose = channels == 1 ? codeBytes % kGroupBytes : 0;
    return 1 + groups * kSamplesPerGroup + loose * 2;
}

// The decoder's step in one table: the signed difference every code makes at every
// step index, worked out exactly as Channel::apply adds it up.
constexpr std::array<std::int32_t, (kImaMaxStepIndex + 1) * 16> MakeDeltaTable() {
    std::array<std::int32_t, (kImaMaxStepIndex + 1) * 16> table{};
    for (std::size_t index = 0; index < kStepTable.size(); ++index) {
        const int step = kStepTable[index];
        for (unsigned code = 0; code < 16; ++code) {
            int diff = step >> 3;
            if (code & 4) diff += step;
            if (code & 2) diff += step >> 1;
            if (code & 1) diff += step >> 2;
            table[index * 16 + code] = (code & 8) ? -diff : diff;
        }
    }
    return table;
}

// And the step index that follows each code at every step index, already held to
// 0..88: a load where the sum and its two bounds would lengthen the chain from
// one sample to the next.
constexpr std::array<std::uint8_t, (kImaMaxStepIndex + 1) * 16> MakeNextIndexTable() {
    std::array<std::uint8_t, (kImaMaxStepIndex + 1) * 16> table{};
    for (int index = 0; index <= kImaMaxStepIndex; ++index) {
        for (unsigned code = 0; code < 16; ++code) {
            table[static_cast<std::size_t>(index) * 16 + code] =
                static_cast<std::uint8_t>(std::clamp(index + kIndexStep[code & 7], 0, kImaMaxStepIndex));
        }
    }
    return table;
}

constexpr auto kDeltaTable = MakeDeltaTable();
constexpr auto kNextIndexTable = MakeNextIndexTable();

// The step sizes as 32-bit values, for the vector decoder's lookups.
constexpr std::array<std::int32_t, kImaMaxStepIndex + 1> MakeWideStepTable() {
    std::array<std::int32_t, kImaMaxStepIndex + 1> table{};
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = kStepTable[i];
    return table;
}

alignas(64) constexpr auto kWideStepTable = MakeWideStepTable();

struct DecodeState {
    int predictor = 0;
    int index = 0;
};

// The inner loop's whole work for one code.
inline std::int16_t DecodeCode(int& predictor, int& index, unsigned code) {
    const std::size_t at = static_cast<std::size_t>(index) * 16 + code;
    predictor = std::clamp(predictor + kDeltaTable[at], -32768, 32767);
    index = kNextIndexTable[at];
    return static_cast<std::int16_t>(predictor);
}

// Decodes one channel's codes, two a byte, low nibble first; code k's sample goes to
// put(first + k * stride). The state is worked on in locals and `put` is a copy, so
// the compiler keeps both in registers however the output aliases them.
template <typename Put>
void DecodeRun(DecodeState& state, const std::uint8_t* bytes, std::size_t byteCount, std::size_t first,
               std::size_t stride, Put put) {
    int predictor = state.predictor;
    int index = state.index;
    for (std::size_t i = 0; i < byteCount; ++i) {
        const unsigned byte = bytes[i];
        put(first + 2 * i * stride, DecodeCode(predictor, index, byte & 0x0F));
        put(first + (2 * i + 1) * stride, DecodeCode(predictor, index, byte >> 4));
    }
    state = {predictor, index};
}

// Decodes blocks one after another through `put(sampleIndex, sample)`, where
// sampleIndex counts the interleaved samples of the block. Each block's length and
// header are checked once; the codes inside are then read without further checks.
// Where decoded samples go: 16-bit values, or little-endian bytes as PCM data holds them.
struct SampleStore {
    std::int16_t* at;
    void operator()(std::size_t i, std::int16_t v) const { at[i] = v; }
    void advance(std::size_t samples) { at += samples; }
    std::uint8_t* bytes() const { return reinterpret_cast<std::uint8_t*>(at); }
};

struct PcmByteStore {
    std::uint8_t* at;
    void operator()(std::size_t i, std::int16_t v) const {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(at + 2 * i, &v, 2);  // one store, where two byte stores would not be merged
        } else {
            at[2 * i] = static_cast<std::uint8_t>(v);
            at[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
        }
    }
    void advance(std::size_t samples) { at += 2 * samples; }
    std::uint8_t* bytes() const { return at; }
};

class BlockDecoder {
public:
    BlockDecoder(unsigned channels, const std::string& what) : channels_(channels), what_(what) {}

    // Decodes blocks of blockAlign bytes, the last possibly shorter, into `out`;
    // `number` is the first block's place in the data, every block before it whole
    // (failures name the block and its offset in the data). Returns the store moved past
    // what it wrote. Whole mono blocks are decoded side by side, sixteen in the lanes
    // of vectors where the processor has them, else in pairs: every block starts
    // afresh from its header, so their chains of predictions do not wait for each
    // other and the processor works on all of them at once.
    template <typename Store>
    Store decodeAll(std::span<const std::uint8_t> data, std::size_t blockAlign, std::size_t number, Store out) {
        const bool pairs = channels_ == 1 && blockAlign > kImaHeaderBytesPerChannel;
        const bool wide = pairs && wide::CanDecodeMonoBlocks(blockAlign);
        std::size_t offset = 0;
        for (; wide && data.size() - offset >= wide::kBlocks * blockAlign;
             offset += wide::kBlocks * blockAlign, number += wide::kBlocks) {
            for (std::size_t k = 0; k < wide::kBlocks; ++k) {
                header(data.data() + offset + k * blockAlign, 0, number + k, (number + k) * blockAlign);
            }
            wide::DecodeMonoBlocks(data.data() + offset, blockAlign, kWideStepTable.data(), out.bytes());
            out.advance(wide::kBlocks * SamplesIn(blockAlign, 1));
        }
        for (; pairs && data.size() - offset >= 2 * blockAlign; offset += 2 * blockAlign, number += 2) {
            out.advance(decodeMonoPair(data.data() + offset, blockAlign, number, number * blockAlign, out));
        }
        for (; offset < data.size(); offset += blockAlign, ++number) {
            const auto block = data.subspan(offset, std::min(blockAlign, data.size() - offset));
            out.advance(decode(block, number, number * blockAlign, out));
        }
        return out;
    }

    // The samples (all channels) the block decodes to, written through put.
    template <typename Put>
    std::size_t decode(std::span<const std::uint8_t> block, std::size_t number, std::size_t offset, Put put) {
        const std::size_t frames = SamplesIn(block.size(), channels_);
        if (frames == 0) {
            Fail(number, offset,
                 "is " + std::to_string(block.size()) + " bytes, shorter than its " +
                     std::to_string(HeaderBytes(channels_)) + "-byte header");
        }
        DecodeState state[2];
        std::vector<DecodeState> more(channels_ > 2 ? channels_ : 0);
        DecodeState* states = channels_ > 2 ? more.data() : state;
        const std::uint8_t* p = block.data();
        for (unsigned c = 0; c < channels_; ++c, p += kImaHeaderBytesPerChannel) {
            states[c] = header(p, c, number, offset);
            put(c, static_cast<std::int16_t>(states[c].predictor));
        }
        if (channels_ == 1) {
            // One channel: the codes simply follow each other, two to a byte.
            DecodeRun(states[0], p, (frames - 1) / 2, 1, 1, put);
            return frames;
        }
        // Groups of 4 bytes (8 codes) per channel, channel after channel.
        const std::size_t groups = (frames - 1) / kSamplesPerGroup;
        for (std::size_t g = 0; g < groups; ++g) {
            const std::size_t firstFrame = 1 + g * kSamplesPerGroup;
            for (unsigned c = 0; c < channels_; ++c, p += kGroupBytes) {
                DecodeRun(states[c], p, kGroupBytes, firstFrame * channels_ + c, channels_, put);
            }
        }
        return frames * channels_;
    }

private:
    // Two whole mono blocks, the second right after the first.
    template <typename Put>
    std::size_t decodeMonoPair(const std::uint8_t* first, std::size_t blockAlign, std::size_t number,
                               std::size_t offset, Put put) {
        const DecodeState a = header(first, 0, number, offset);
        const DecodeState b = header(first + blockAlign, 0, number + 1, offset + blockAlign);
        const std::size_t frames = SamplesIn(blockAlign, 1);
        put(0, static_cast<std::int16_t>(a.predictor));
        put(frames, static_cast<std::int16_t>(b.predictor));
        const std::uint8_t* codesA = first + kImaHeaderBytesPerChannel;
        const std::uint8_t* codesB = codesA + blockAlign;
        int predictorA = a.predictor, indexA = a.index, predictorB = b.predictor, indexB = b.index;
        for (std::size_t i = 0, bytes = (frames - 1) / 2; i < bytes; ++i) {
            const unsigned byteA = codesA[i];
            const unsigned byteB = codesB[i];
            put(1 + 2 * i, DecodeCode(predictorA, indexA, byteA & 0x0F));
            put(frames + 1 + 2 * i, DecodeCode(predictorB, indexB, byteB & 0x0F));
            put(2 + 2 * i, DecodeCode(predictorA, indexA, byteA >> 4));
            put(frames + 2 + 2 * i, DecodeCode(predictorB, indexB, byteB >> 4));
        }
        return 2 * frames;
    }

    // Channel c's 4-byte header at p: the first sample and the step index.
    DecodeState header(const std::uint8_t* p, unsigned c, std::size_t number, std::size_t offset) const {
        const DecodeState state{static_cast<std::int16_t>(p[0] | p[1] << 8), p[2]};
        if (state.index > kImaMaxStepIndex) {
            Fail(number, offset,
                 "has step index " + std::to_string(state.index) + " for channel " + std::to_string(c + 1) +
                     ", above the highest, 88");
        }
        return state;
    }

    [[noreturn]] void Fail(std::size_t number, std::size_t offset, const std::string& problem) const {
        throw FormatError(FormatErrorKind::Corrupt, "ADPCM block " + std::to_string(number + 1) + " of " + what_ +
                                                        " (at data offset " + Hex(offset) + ") " + problem);
    }

    unsigned channels_;
    const std::string& what_;
};

void CheckLayout(unsigned channels, std::size_t blockAlign, const std::string& what) {
    if (channels == 0 || blockAlign == 0) {
        throw FormatError(FormatErrorKind::Corrupt, what + " gives no ADPCM block size or channel count");
    }
}

// The step index a channel's first block starts at: the one that encodes its
// first `frames` samples with the least squared error. Started at 0, a loud sound
// would take a dozen codes to reach its level; later blocks go on from the index
// the block before them ended at. The opening 32 samples decide: past them the
// index has adapted whatever it started at, and trying all 89 on them costs
// about what encoding a block does.
template <typename Sample>
int OpeningStepIndex(Sample sample, std::size_t frames) {
    int best = 0;
    std::uint64_t bestError = UINT64_MAX;
    for (int index = 0; index <= kImaMaxStepIndex; ++index) {
        Channel trial{sample(0), index};
        std::uint64_t error = 0;
        for (std::size_t k = 1; k < frames && error < bestError; ++k) {
            const int wanted = sample(k);
            trial.encode(wanted);
            const auto off = static_cast<std::int64_t>(trial.predictor - wanted);
            error += static_cast<std::uint64_t>(off * off);
        }
        if (error < bestError) {
            best = index;
            bestError = error;
        }
    }
    return best;
}

}  // namespace

std::size_t ImaSamplesPerBlock(std::size_t blockAlign, unsigned channels) { return SamplesIn(blockAlign, channels); }

std::size_t ImaDefaultBlockAlign(std::uint32_t sampleRate, unsigned channels) {
    std::size_t perChannel = 256;
    for (std::uint32_t rate = 22050; rate <= sampleRate && perChannel < 1024; rate *= 2) perChannel *= 2;
    return perChannel * std::max(channels, 1u);
}

bool ImaValidBlockAlign(std::size_t blockAlign, unsigned channels) {
    if (channels == 0 || blockAlign > kMaxBlockAlign || blockAlign <= HeaderBytes(channels)) return false;
    return (blockAlign - HeaderBytes(channels)) % (kGroupBytes * channels) == 0;
}

std::vector<std::int16_t> ImaDecode(std::span<const std::uint8_t> data, unsigned channels, std::size_t blockAlign,
                                    const std::string& what) {
    CheckLayout(channels, blockAlign, what);
    // Sized from the bytes that are really there, never from the block size alone.
    std::vector<std::int16_t> out(ImaPcmBytes(data.size(), channels, blockAlign) / 2);
    BlockDecoder(channels, what).decodeAll(data, blockAlign, 0, SampleStore{out.data()});
    return out;
}

std::size_t ImaPcmBytes(std::size_t dataSize, unsigned channels, std::size_t blockAlign) {
    if (channels == 0 || blockAlign == 0) return 0;
    const std::size_t whole = dataSize / blockAlign;
    return 2 * channels * (whole * SamplesIn(blockAlign, channels) + SamplesIn(dataSize % blockAlign, channels));
}

ImaPcmDecoder::ImaPcmDecoder(unsigned channels, std::size_t blockAlign, std::string what)
    : channels_(channels), blockAlign_(blockAlign), what_(std::move(what)) {
    CheckLayout(channels, blockAlign, what_);
}

std::size_t ImaPcmDecoder::decode(std::span<const std::uint8_t> blocks, std::uint8_t* out) {
    const PcmByteStore end =
        BlockDecoder(channels_, what_).decodeAll(blocks, blockAlign_, blocksDone_, PcmByteStore{out});
    blocksDone_ += (blocks.size() + blockAlign_ - 1) / blockAlign_;
    return static_cast<std::size_t>(end.at - out);
}

std::vector<std::uint8_t> ImaEncode(std::span<const std::int16_t> samples, unsigned channels, std::size_t blockAlign) {
    std::vector<std::uint8_t> out;
    if (!ImaValidBlockAlign(blockAlign, channels)) return out;
    const std::size_t frames = samples.size() / channels;
    if (frames == 0) return out;
    const std::size_t perBlock = SamplesIn(blockAlign, channels);
    const std::size_t blocks = (frames + perBlock - 1) / perBlock;
    out.assign(blocks * blockAlign, 0);

    // Past the end, a channel holds its last sample.
    auto sample = [&](std::size_t frame, unsigned c) {
        return static_cast<int>(samples[std::min(frame, frames - 1) * channels + c]);
    };
    std::vector<Channel> state(channels);
    for (unsigned c = 0; c < channels; ++c) {
        state[c].index =
            OpeningStepIndex([&](std::size_t frame) { return sample(frame, c); }, std::min(perBlock, kOpeningFrames));
    }
    const std::size_t groupStride = kGroupBytes * channels;
    for (std::size_t b = 0; b < blocks; ++b) {
        std::uint8_t* block = &out[b * blockAlign];
        const std::size_t start = b * perBlock;
        for (unsigned c = 0; c < channels; ++c) {
            state[c].predictor = sample(start, c);
            PutU16le(block + c * 4, static_cast<std::uint16_t>(state[c].predictor));
            block[c * 4 + 2] = static_cast<std::uint8_t>(state[c].index);
        }
        std::uint8_t* codes = block + HeaderBytes(channels);
        for (std::size_t k = 0; k + 1 < perBlock; ++k) {
            for (unsigned c = 0; c < channels; ++c) {
                const unsigned code = state[c].encode(sample(start + 1 + k, c));
                std::uint8_t& byte =
                    codes[(k / kSamplesPerGroup) * groupStride + c * kGroupBytes + (k % kSamplesPerGroup) / 2];
                byte = static_cast<std::uint8_t>(k % 2 == 0 ? code : byte | code << 4);
            }
        }
    }
    return out;
}

}  // namespace varnok::audio
