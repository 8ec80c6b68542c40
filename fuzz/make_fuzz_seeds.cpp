// Writes the seed corpora of the fuzz targets into a folder, one subfolder per
// target: valid BAG archives holding records of every kind the game uses and
// others, WAVE and MP3 files as users add them, IMA ADPCM blocks, and the demo
// models and their TGA textures. A fuzzer
// that starts from valid inputs gets past the headers at once.
//
//   make_fuzz_seeds FOLDER   ->  FOLDER/fuzz_bag, FOLDER/fuzz_wave, FOLDER/fuzz_adpcm,
//                                FOLDER/fuzz_xbf, FOLDER/fuzz_tga
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "formats/audio/ImaAdpcm.h"
#include "formats/audio/Wave.h"
#include "formats/cBAG.h"
#include "formats/model/XbfFile.h"
#include "samples/SampleModels.h"

namespace {
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

void Write(const fs::path& file, const Bytes& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::int16_t> Tone(std::size_t frames, unsigned channels) {
    std::vector<std::int16_t> out;
    for (std::size_t i = 0; i < frames * channels; ++i) {
        const double phase = 0.07 * static_cast<double>(i / channels + i % channels);
        out.push_back(static_cast<std::int16_t>(8000 * std::sin(phase)));
    }
    return out;
}

Bytes Pcm(std::size_t frames, unsigned channels, bool sixteenBit) {
    const auto samples = Tone(frames, channels);
    if (sixteenBit) return varnok::audio::Pcm16Bytes(samples);
    Bytes out;
    for (std::int16_t s : samples) out.push_back(static_cast<std::uint8_t>(128 + s / 256));
    return out;
}

Bytes Adpcm(std::size_t frames, unsigned channels, std::size_t blockAlign) {
    return varnok::audio::ImaEncode(Tone(frames, channels), channels, blockAlign);
}

Bytes Mp3(unsigned frames) {
    Bytes out = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 6, 'T', 'I', 'T', '2', 0, 0};
    for (unsigned f = 0; f < frames; ++f) {
        const std::size_t at = out.size();
        out.resize(at + 144, static_cast<std::uint8_t>(f));
        const std::uint8_t header[] = {0xFF, 0xF3, 0x48, 0xC0};  // MPEG-2 layer III, 32 kbit/s, 16000 Hz, mono
        std::copy(std::begin(header), std::end(header), out.begin() + static_cast<std::ptrdiff_t>(at));
    }
    return out;
}

Bytes Wave(const varnok::audio::PcmWaveHeaderBytes& header, const Bytes& data) {
    Bytes out(header.begin(), header.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// An IMA ADPCM WAVE file as Microsoft's encoder writes it, with its "fact" chunk.
Bytes AdpcmWave(unsigned channels, std::size_t blockAlign, const Bytes& data) {
    Bytes out = {'R',
                 'I',
                 'F',
                 'F',
                 0,
                 0,
                 0,
                 0,
                 'W',
                 'A',
                 'V',
                 'E',
                 'f',
                 'm',
                 't',
                 ' ',
                 20,
                 0,
                 0,
                 0,
                 0x11,
                 0,
                 static_cast<std::uint8_t>(channels),
                 0,
                 0x22,
                 0x56,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 static_cast<std::uint8_t>(blockAlign & 0xFF),
                 static_cast<std::uint8_t>(blockAlign >> 8),
                 4,
                 0,
                 2,
                 0,
                 0,
                 0,
                 'f',
                 'a',
                 'c',
                 't',
                 4,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 'd',
                 'a',
                 't',
                 'a',
                 static_cast<std::uint8_t>(data.size() & 0xFF),
                 static_cast<std::uint8_t>(data.size() >> 8),
                 0,
                 0};
    out.insert(out.end(), data.begin(), data.end());
    const std::size_t perBlock = varnok::audio::ImaSamplesPerBlock(blockAlign, channels);
    auto put = [&out](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    };
    put(4, static_cast<std::uint32_t>(out.size() - 8), 4);
    put(28, static_cast<std::uint32_t>(22050 * blockAlign / perBlock), 4);  // bytes per second
    put(38, static_cast<std::uint32_t>(perBlock), 2);
    put(48, static_cast<std::uint32_t>(data.size() / blockAlign * perBlock), 4);  // fact: samples per channel
    return out;
}

void WriteBagSeeds(const fs::path& folder) {
    using varnok::BAGWriteEntry;
    const std::vector<BAGWriteEntry> all = {{"pcm8", 11025, 2, 0, Pcm(60, 1, false)},
                                            {"pcm8 stereo", 11025, 3, 0, Pcm(40, 2, false)},
                                            {"unknown", 22050, 5, 0, Pcm(20, 1, true)},
                                            {"pcm16", 22050, 6, 0, Pcm(50, 1, true)},
                                            {"pcm16 stereo", 22050, 7, 0, Pcm(30, 2, true)},
                                            {"adpcm12", 22050, 12, 36, Adpcm(100, 1, 36)},
                                            {"adpcm13", 22050, 13, 40, Adpcm(100, 2, 40)},
                                            {"flag16", 22050, 22, 0, Pcm(40, 1, true)},
                                            {"speech", 22050, 28, 512, Adpcm(1100, 1, 512)},
                                            {"speech stereo", 22050, 29, 72, Adpcm(90, 2, 72)},
                                            {"music", 16000, 37, 0, Mp3(2)}};
    varnok::cBAG::BAGWrite(folder / "all_types.bag", all);
    for (std::size_t i = 0; i < all.size(); ++i) {
        varnok::cBAG::BAGWrite(folder / ("type_" + std::to_string(all[i].type) + ".bag"), std::span(&all[i], 1));
    }
    varnok::cBAG::BAGWrite(folder / "empty.bag", {});
}

void WriteWaveSeeds(const fs::path& folder) {
    using varnok::audio::PcmWaveHeader;
    for (unsigned channels : {1u, 2u}) {
        for (unsigned bits : {8u, 16u}) {
            const Bytes data = Pcm(64, channels, bits == 16);
            Write(folder / ("pcm" + std::to_string(bits) + "_" + std::to_string(channels) + ".wav"),
                  Wave(PcmWaveHeader(channels, 22050, bits, data.size()), data));
        }
        Write(folder / ("adpcm_" + std::to_string(channels) + ".wav"),
              AdpcmWave(channels, 36 * channels, Adpcm(200, channels, 36 * channels)));
    }
    Write(folder / "song.mp3", Mp3(3));
}

void WriteAdpcmSeeds(const fs::path& folder) {
    for (unsigned channels : {1u, 2u}) {
        for (std::size_t blockAlign : {std::size_t{8} * channels, std::size_t{36} * channels, std::size_t{256}}) {
            Bytes seed = {static_cast<std::uint8_t>(channels - 1), static_cast<std::uint8_t>(blockAlign & 0xFF),
                          static_cast<std::uint8_t>(blockAlign >> 8)};
            const Bytes blocks = Adpcm(300, channels, blockAlign);
            seed.insert(seed.end(), blocks.begin(), blocks.end());
            Write(folder / ("blocks_" + std::to_string(channels) + "_" + std::to_string(blockAlign)), seed);
        }
    }
}

// The demo models and their textures, and one large model.
void WriteModelSeeds(const fs::path& models, const fs::path& pictures) {
    fs::create_directories(models);
    fs::create_directories(pictures);
    for (const auto& file : varnok::samples::SampleModels()) Write(models / file.name, file.bytes);
    Write(models / "grid.xbf", varnok::model::WriteXbf(varnok::samples::GridModel(400, 1)));
    for (const auto& file : varnok::samples::SampleTextures()) Write(pictures / file.name, file.bytes);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    const fs::path folder = argv[1];
    fs::create_directories(folder / "fuzz_bag");
    WriteBagSeeds(folder / "fuzz_bag");
    WriteWaveSeeds(folder / "fuzz_wave");
    WriteAdpcmSeeds(folder / "fuzz_adpcm");
    WriteModelSeeds(folder / "fuzz_xbf", folder / "fuzz_tga");
    return 0;
}
