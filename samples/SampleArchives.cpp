#include "samples/SampleArchives.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "formats/audio/ImaAdpcm.h"
#include "formats/audio/Wave.h"
#include "formats/cBAG.h"
#include "formats/cMPK.h"
#include "formats/cRFD.h"
#include "formats/cRFH.h"
#include "formats/io/ByteReader.h"
#include "samples/SampleModels.h"

namespace varnok::samples {
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Stored folders as the game names them: spaces, "#", "!", "@", "=", "%", "$".
constexpr std::array<const char*, 8> kFolders = {"",
                                                 "MAPS\\#M70 Claw Rock\\",
                                                 "UI\\Textures\\",
                                                 "DATA\\MODEL\\",
                                                 "DATA\\MODEL\\Harkonnen\\",
                                                 "Sounds\\!voices @Ordos\\",
                                                 "scripts\\",
                                                 "DATA\\XBF\\"};
constexpr std::array<const char*, 6> kStems = {"=AT_overhangwall_D_", "Unit info ", "$credits%", "sietch@", "rules",
                                               "spice#field"};
constexpr std::array<const char*, 4> kExtensions = {".tga", ".ini", ".xbf", ".txt"};

Bytes TextPayload(std::mt19937& rng, std::size_t n) {
    static constexpr std::array<const char*, 8> kWords = {"[Unit]\r\n", "Speed = 12\r\n", "Armour = 250\r\n",
                                                          "Atreides ",  "Harkonnen ",     "Ordos ",
                                                          "spice ",     "; note\r\n"};
    Bytes out;
    while (out.size() < n) {
        for (const char* c = kWords[rng() % kWords.size()]; *c && out.size() < n; ++c) out.push_back(*c);
    }
    return out;
}

Bytes TexturePayload(std::mt19937& rng, std::size_t n) {
    Bytes out(n);
    const double phase = (rng() % 100) / 10.0;
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<std::uint8_t>(128 + 100 * std::sin(phase + static_cast<double>(i % 256) / 40.0) +
                                           static_cast<double>(rng() % 4));
    }
    return out;
}

Bytes NoisePayload(std::mt19937& rng, std::size_t n) {
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string EntryName(std::mt19937& rng, int i) {
    return std::string(kStems[rng() % kStems.size()]) + std::to_string(i) + kExtensions[rng() % kExtensions.size()];
}

// A mono tone as 8- or 16-bit PCM.
Bytes Tone(int samples, int frequency, int rate, bool sixteenBit) {
    Bytes out;
    for (int i = 0; i < samples; ++i) {
        const double v = std::sin(2 * 3.14159265358979 * frequency * i / rate);
        if (sixteenBit) {
            const auto s = static_cast<std::int16_t>(v * 12000);
            out.push_back(static_cast<std::uint8_t>(s & 0xFF));
            out.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
        } else {
            out.push_back(static_cast<std::uint8_t>(128 + v * 90));
        }
    }
    return out;
}

// An uncompressed 24-bit TGA picture of 64 x 64 or 128 x 128 pixels: bands of
// colour that differ from picture to picture, so the preview has textures to show.
Bytes TgaPicture(int i) {
    const std::uint16_t side = i % 2 == 0 ? 128 : 64;
    Bytes out(18, 0);
    out[2] = 2;                // true-colour, uncompressed
    PutU16le(&out[12], side);  // width
    PutU16le(&out[14], side);  // height
    out[16] = 24;
    const double phase = i * 0.7;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            for (const double k : {0.05, 0.08, 0.11}) {  // blue, green, red
                out.push_back(static_cast<std::uint8_t>(127 + 120 * std::sin(phase + k * x + (0.15 - k) * y)));
            }
        }
    }
    return out;
}

// A 16-bit mono PCM WAVE file of half a second to a second and a half: a tone
// whose pitch follows i.
Bytes WavePayload(int i) {
    constexpr int kRate = 22050;
    const int samples = kRate / 2 * (1 + i % 3);
    Bytes out;
    const auto header = audio::PcmWaveHeader(1, kRate, 16, static_cast<std::uint64_t>(samples) * 2);
    out.insert(out.end(), header.begin(), header.end());
    const Bytes pcm = Tone(samples, 220 + 20 * (i % 12), kRate, true);
    out.insert(out.end(), pcm.begin(), pcm.end());
    return out;
}

Bytes EntryPayload(std::mt19937& rng, int i) {
    const std::size_t size = 3 + rng() % (i % 17 == 0 ? 60000 : 4000);
    switch (rng() % 3) {
        case 0: return TextPayload(rng, size);
        case 1: return TexturePayload(rng, size);
        default: return NoisePayload(rng, size);
    }
}

void WriteSampleRfh(const fs::path& folder, const fs::path& scratch) {
    constexpr int kEntries = 320;
    std::mt19937 rng(2001);
    const fs::path index = folder / "demo.rfh";
    const fs::path data = folder / "demo.rfd";
    fs::remove(index);
    fs::remove(data);
    cRFH rfh;
    cRFD rfd;
    rfd.RFDOpen(data);
    const std::vector<SampleFile> models = SampleModels();
    const std::vector<SampleFile> textures = SampleTextures();
    constexpr int kFirstModelRow = 20;
    std::size_t modelsPlaced = 0, texturesPlaced = 0;
    for (int i = 1; i <= kEntries; ++i) {
        std::string name = EntryName(rng, i);
        const std::string storedFolder = kFolders[rng() % kFolders.size()];
        Bytes payload = EntryPayload(rng, i);
        // Textures are real pictures, and every 32nd entry is a sound; the random
        // numbers drawn stay the same, so the other names and folders do too.
        if (name.ends_with(".tga")) payload = TgaPicture(i);
        // Past the first rows, the first models and pictures are the demo models and
        // their textures under their own names; later models repeat them.
        if (name.ends_with(".xbf")) {
            const bool named = i >= kFirstModelRow && modelsPlaced < models.size();
            const SampleFile& model = models[named ? modelsPlaced++ : static_cast<std::size_t>(i) % models.size()];
            payload = model.bytes;
            if (named) name = model.name;
        }
        if (name.ends_with(".tga") && i >= kFirstModelRow && texturesPlaced < textures.size()) {
            name = textures[texturesPlaced].name;
            payload = textures[texturesPlaced++].bytes;
        }
        if (i % 32 == 16) {
            name.replace(name.rfind('.'), std::string::npos, ".wav");
            payload = WavePayload(i);
        }
        const fs::path source = scratch / name;
        WriteFile(source, payload);
        const std::int32_t packed = rfd.RFDAddFile(rfh.RFHNextOffSet(), source, true);
        rfh.RFHAddFile(source, name, packed);
        if (!storedFolder.empty()) rfh.SetFilePath(rfh.GetFileCount(), storedFolder);
        fs::remove(source);
    }
    rfh.RFHSave(index);
}

// A 16-bit stereo tone, a fifth apart, left and right interleaved.
Bytes StereoTone(int frames, int rate) {
    Bytes out;
    for (int i = 0; i < frames; ++i) {
        for (const double frequency : {330.0, 495.0}) {
            const auto s = static_cast<std::int16_t>(std::sin(2 * 3.14159265358979 * frequency * i / rate) * 9000);
            out.push_back(static_cast<std::uint8_t>(s & 0xFF));
            out.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
        }
    }
    return out;
}

// A mono tone stored as the game stores its speech: IMA ADPCM in blocks of 512 bytes.
Bytes AdpcmTone(int samples, int frequency, int rate) {
    const Bytes pcm = Tone(samples, frequency, rate, true);
    std::vector<std::int16_t> values(pcm.size() / 2);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<std::int16_t>(pcm[2 * i] | pcm[2 * i + 1] << 8);
    }
    return audio::ImaEncode(values, 1, 512);
}

void WriteSampleBag(const fs::path& folder) {
    std::mt19937 rng(1997);
    std::vector<BAGWriteEntry> entries = {
        {"ATREIDES_Unit ready", 11025, 2, 0, Tone(5512, 440, 11025, false)},
        {"HARK_harvester@deploy", 22050, 6, 0, Tone(11025, 330, 22050, true)},
        {"ORDOS #spice low", 22050, 6, 1, Tone(8000, 550, 22050, true)},
        {"Sardaukar = yes sir", 22050, 22, 0, Tone(6000, 262, 22050, true)},
        {"Fremen!battle", 22050, 12, 512, AdpcmTone(3000, 523, 22050)},
        {"music_$main%theme", 44100, 37, 0, NoisePayload(rng, 9000)},
        {"ORDOS_stereo march", 22050, 7, 0, StereoTone(11025, 22050)},
        {"ATREIDES_adpcm voice", 22050, 28, 512, AdpcmTone(22050, 392, 22050)},
    };
    cBAG::BAGWrite(folder / "demo.bag", entries);
}

void WriteSamplePackage(const fs::path& folder, const fs::path& scratch) {
    std::mt19937 rng(1984);
    const std::string ini = "[Plugin]\r\nName=Demo plug-in\r\nType=Tool\r\n";
    WriteFile(scratch / "plugin.ini", Bytes(ini.begin(), ini.end()));
    WriteFile(scratch / "readme.txt", TextPayload(rng, 2500));
    WriteFile(scratch / "icon.bmp", TexturePayload(rng, 4000));
    const std::string list = "|" + (scratch / "plugin.ini").string() + "|" + (scratch / "readme.txt").string() + "|" +
                             (scratch / "icon.bmp").string() + "|";
    const std::int32_t rc = cMPK().MPKCreate(folder / "demo.mpk", list, true);
    if (rc != 0) throw std::runtime_error("could not build demo.mpk (" + std::to_string(rc) + ")");
}

}  // namespace

void WriteSampleArchives(const fs::path& folder) {
    fs::create_directories(folder);
    const fs::path scratch = folder / ".samples-scratch";
    fs::create_directories(scratch);
    WriteSampleRfh(folder, scratch);
    WriteSampleBag(folder);
    WriteSamplePackage(folder, scratch);
    fs::remove_all(scratch);
}

}  // namespace varnok::samples
