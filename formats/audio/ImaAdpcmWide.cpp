// Sixteen mono IMA ADPCM blocks decoded side by side in the lanes of AVX-512
// vectors. Every block starts afresh from its header, so the sixteen chains of
// predictions are independent; one vector step decodes one code of each. The
// step table is looked up with permutes, which cost a cycle where a gather costs
// a dozen. Built for x86-64 only, and used only where the processor has AVX-512.
#include "formats/audio/ImaAdpcmWide.h"

#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#if !defined(__clang__)
// GCC 12 takes the deliberately undefined vectors inside its own AVX-512
// intrinsics for uninitialised reads of ours.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#define VARNOK_WIDE_ADPCM 1
#endif

namespace varnok::audio::wide {

#ifdef VARNOK_WIDE_ADPCM

namespace {

constexpr std::size_t kHeaderBytes = 4;
#define VARNOK_WIDE_TARGET __attribute__((target("avx512f,avx512bw")))

bool HasWideVectors() {
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    return has;
}

// The step size at every lane's index: three lookups in two-register tables of 32
// entries (indexes 0-31, 32-63, 64-88), the right one chosen by the index's range.
struct StepTable {
    __m512i t[6];
};

VARNOK_WIDE_TARGET inline StepTable LoadStepTable(const std::int32_t* steps) {
    alignas(64) std::int32_t padded[96] = {};
    std::memcpy(padded, steps, 89 * sizeof(std::int32_t));
    StepTable table;
    for (int i = 0; i < 6; ++i) table.t[i] = _mm512_load_si512(padded + 16 * i);
    return table;
}

VARNOK_WIDE_TARGET inline __m512i StepAt(const StepTable& table, __m512i index) {
    const __m512i low = _mm512_permutex2var_epi32(table.t[0], index, table.t[1]);
    const __m512i middle = _mm512_permutex2var_epi32(table.t[2], index, table.t[3]);
    const __m512i high = _mm512_permutex2var_epi32(table.t[4], index, table.t[5]);
    const __mmask16 from32 = _mm512_cmpge_epi32_mask(index, _mm512_set1_epi32(32));
    const __mmask16 from64 = _mm512_cmpge_epi32_mask(index, _mm512_set1_epi32(64));
    return _mm512_mask_mov_epi32(_mm512_mask_mov_epi32(low, from32, middle), from64, high);
}

struct Lanes {
    __m512i predictor, index;
};

// One code in every lane: the same sums as the textbook decoder, step by step.
VARNOK_WIDE_TARGET inline Lanes DecodeCode(Lanes s, __m512i code, const StepTable& table) {
    const __m512i step = StepAt(table, s.index);
    __m512i diff = _mm512_srai_epi32(step, 3);
    diff = _mm512_mask_add_epi32(diff, _mm512_test_epi32_mask(code, _mm512_set1_epi32(4)), diff, step);
    diff = _mm512_mask_add_epi32(diff, _mm512_test_epi32_mask(code, _mm512_set1_epi32(2)), diff,
                                 _mm512_srai_epi32(step, 1));
    diff = _mm512_mask_add_epi32(diff, _mm512_test_epi32_mask(code, _mm512_set1_epi32(1)), diff,
                                 _mm512_srai_epi32(step, 2));
    diff =
        _mm512_mask_sub_epi32(diff, _mm512_test_epi32_mask(code, _mm512_set1_epi32(8)), _mm512_setzero_si512(), diff);
    __m512i predictor = _mm512_add_epi32(s.predictor, diff);
    predictor = _mm512_min_epi32(_mm512_max_epi32(predictor, _mm512_set1_epi32(-32768)), _mm512_set1_epi32(32767));
    const __m512i indexSteps = _mm512_setr_epi32(-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8);
    __m512i index = _mm512_add_epi32(s.index, _mm512_permutexvar_epi32(code, indexSteps));
    index = _mm512_min_epi32(_mm512_max_epi32(index, _mm512_setzero_si512()), _mm512_set1_epi32(88));
    return {predictor, index};
}

// r[j] holds sample j of the sixteen blocks, a lane each; block k's eight samples
// go to out[k] as 16-bit values. Packing keeps each run of four blocks in its own
// 128-bit part; two rounds of interleaving then gather each block's samples there.
VARNOK_WIDE_TARGET inline void StoreTransposed(const __m512i (&r)[8], std::uint8_t* const (&out)[kBlocks]) {
    const __m512i a01 = _mm512_packs_epi32(r[0], r[1]), a23 = _mm512_packs_epi32(r[2], r[3]);
    const __m512i a45 = _mm512_packs_epi32(r[4], r[5]), a67 = _mm512_packs_epi32(r[6], r[7]);
    const __m512i x0 = _mm512_unpacklo_epi16(a01, a23), x1 = _mm512_unpackhi_epi16(a01, a23);
    const __m512i x2 = _mm512_unpacklo_epi16(a45, a67), x3 = _mm512_unpackhi_epi16(a45, a67);
    const __m512i y0 = _mm512_unpacklo_epi16(x0, x1), y1 = _mm512_unpackhi_epi16(x0, x1);
    const __m512i z0 = _mm512_unpacklo_epi16(x2, x3), z1 = _mm512_unpackhi_epi16(x2, x3);
    const __m512i blocks[4] = {_mm512_unpacklo_epi64(y0, z0), _mm512_unpackhi_epi64(y0, z0),
                               _mm512_unpacklo_epi64(y1, z1), _mm512_unpackhi_epi64(y1, z1)};
    for (int k = 0; k < 4; ++k) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out[k]), _mm512_extracti32x4_epi32(blocks[k], 0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out[k + 4]), _mm512_extracti32x4_epi32(blocks[k], 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out[k + 8]), _mm512_extracti32x4_epi32(blocks[k], 2));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out[k + 12]), _mm512_extracti32x4_epi32(blocks[k], 3));
    }
}

VARNOK_WIDE_TARGET inline std::int32_t WordAt(const std::uint8_t* p) {
    std::int32_t word;
    std::memcpy(&word, p, 4);
    return word;
}

// The 4-byte words at `word` of blocks first to first + 7.
VARNOK_WIDE_TARGET inline __m256i Words(const std::uint8_t* const (&codes)[kBlocks], std::size_t word,
                                        std::size_t first) {
    const std::uint8_t* const* c = codes + first;
    return _mm256_setr_epi32(WordAt(c[0] + word), WordAt(c[1] + word), WordAt(c[2] + word), WordAt(c[3] + word),
                             WordAt(c[4] + word), WordAt(c[5] + word), WordAt(c[6] + word), WordAt(c[7] + word));
}

VARNOK_WIDE_TARGET void DecodeWide(const std::uint8_t* blocks, std::size_t blockAlign, const std::int32_t* stepTable,
                                   std::uint8_t* out) {
    const std::size_t codeBytes = blockAlign - kHeaderBytes;
    const std::size_t frames = 1 + 2 * codeBytes;
    alignas(64) std::int32_t predictors[kBlocks], indexes[kBlocks];
    std::uint8_t* at[kBlocks];
    const std::uint8_t* codes[kBlocks];
    for (std::size_t k = 0; k < kBlocks; ++k) {
        const std::uint8_t* header = blocks + k * blockAlign;
        const auto first = static_cast<std::int16_t>(header[0] | header[1] << 8);
        predictors[k] = first;
        indexes[k] = header[2];
        codes[k] = header + kHeaderBytes;
        at[k] = out + 2 * k * frames;
        std::memcpy(at[k], &first, 2);  // little-endian, as every x86 is
        at[k] += 2;
    }
    const StepTable table = LoadStepTable(stepTable);
    Lanes s{_mm512_load_si512(predictors), _mm512_load_si512(indexes)};
    const __m512i nibble = _mm512_set1_epi32(0x0F);
    for (std::size_t word = 0; word < codeBytes; word += 4) {
        // Four bytes of each block: eight codes, low nibble first. Put into the
        // vector a lane at a time: a gather is slow, and a wide load of values just
        // stored one by one would wait for every store.
        const __m512i eight =
            _mm512_inserti64x4(_mm512_castsi256_si512(Words(codes, word, 0)), Words(codes, word, 8), 1);
        __m512i r[8];
#pragma GCC unroll 8
        for (int j = 0; j < 8; ++j) {
            s = DecodeCode(s, _mm512_and_si512(_mm512_srli_epi32(eight, 4 * static_cast<unsigned>(j)), nibble), table);
            r[j] = s.predictor;
        }
        StoreTransposed(r, at);
        for (std::uint8_t*& p : at) p += 16;
    }
}

}  // namespace

bool CanDecodeMonoBlocks(std::size_t blockAlign) {
    return blockAlign > kHeaderBytes && (blockAlign - kHeaderBytes) % 4 == 0 && HasWideVectors();
}

void DecodeMonoBlocks(const std::uint8_t* blocks, std::size_t blockAlign, const std::int32_t* stepTable,
                      std::uint8_t* out) {
    DecodeWide(blocks, blockAlign, stepTable, out);
}

#else

bool CanDecodeMonoBlocks(std::size_t) { return false; }

void DecodeMonoBlocks(const std::uint8_t*, std::size_t, const std::int32_t*, std::uint8_t*) {}

#endif

}  // namespace varnok::audio::wide
