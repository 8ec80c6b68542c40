#include "bench/GameData.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace varnok::bench {
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// SplitMix64: fast, and the same on every machine.
struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double unit() { return static_cast<double>(next() >> 11) / 9007199254740992.0; }
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }
};

struct FolderSet {
    Kind kind;
    std::vector<const char*> folders;
    const char* prefix;
    const char* extension;
};

const FolderSet kFolders[] = {
    {Kind::Text,
     {"", "DATA\\SCRIPTS\\", "DATA\\SCRIPTS\\AI\\", "DATA\\RULES\\", "DATA\\UI\\STRINGS\\", "DATA\\MAPS\\"},
     "SCRIPT",
     ".INI"},
    {Kind::Texture,
     {"DATA\\TEXTURES\\UNITS\\", "DATA\\TEXTURES\\BUILDINGS\\", "DATA\\TEXTURES\\TERRAIN\\", "DATA\\UI\\",
      "DATA\\MODELS\\UNITS\\", "DATA\\MODELS\\BUILDINGS\\"},
     "TEX",
     ".TGA"},
    {Kind::Noise, {"DATA\\SOUNDS\\", "DATA\\SOUNDS\\SPEECH\\", "DATA\\MOVIES\\", "DATA\\MUSIC\\"}, "SND", ".WAV"},
};

const FolderSet& SetOf(Kind kind) { return kFolders[static_cast<int>(kind)]; }

void PutI32(Bytes& out, std::int64_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}

std::int32_t GetI32(const Bytes& in, std::size_t at) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= std::uint32_t{in[at + static_cast<std::size_t>(i)]} << (8 * i);
    return static_cast<std::int32_t>(u);
}

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const std::uint8_t* data, std::size_t n) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(n));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void TextBytes(Random& rng, std::uint8_t* out, std::size_t n) {
    static const char* const kWords[] = {
        "Harkonnen",   "Atreides",  "Ordos",    "spice",      "harvester",   "refinery",  "sandworm",  "carryall",
        "ornithopter", "Health",    "Speed",    "Armour",     "Cost",        "BuildTime", "TechLevel", "Weapon",
        "Range",       "Damage",    "=",        "0",          "1",           "25",        "100",       "150",
        "true",        "false",     "[Unit]",   "[Building]", "Sight",       "Turret",    "Infantry",  "Vehicle",
        "Fremen",      "Sardaukar", "Guild",    "Ix",         "Tleilaxu",    "wind trap", "barracks",  "factory",
        "palace",      "//",        "the",      "of",         "and",         "a",         "to",        "is",
        "in",          "CanFly",    "Explodes", "Upgrade",    "Prerequisite"};
    constexpr std::size_t kCount = sizeof kWords / sizeof kWords[0];
    std::size_t at = 0;
    while (at < n) {
        const char* word = kWords[rng.below(kCount)];
        const char separator = rng.below(8) == 0 ? '\n' : ' ';
        for (const char* c = word; *c != 0 && at < n; ++c) out[at++] = static_cast<std::uint8_t>(*c);
        if (at < n) out[at++] = static_cast<std::uint8_t>(separator);
    }
}

// A smooth 32-bit image: gradients and soft bands with a little grain, as painted
// terrain and unit skins are.
void TextureBytes(Random& rng, std::uint8_t* out, std::size_t n) {
    const std::size_t width = 256;
    const double fx = 0.01 + rng.unit() * 0.05, fy = 0.01 + rng.unit() * 0.05;
    const int base[3] = {static_cast<int>(rng.below(128)), static_cast<int>(rng.below(128)),
                         static_cast<int>(rng.below(128))};
    std::uint64_t grain = rng.next();
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t pixel = i / 4, channel = i % 4;
        if (channel == 3) {
            out[i] = 255;
            continue;
        }
        const double x = static_cast<double>(pixel % width), y = static_cast<double>(pixel / width);
        if ((i & 31) == 0) grain = grain * 6364136223846793005ull + 1442695040888963407ull;
        const int noise = static_cast<int>((grain >> (i & 31)) & 3);
        const double wave = 40.0 * std::sin(x * fx + static_cast<double>(channel)) + 40.0 * std::cos(y * fy);
        out[i] = static_cast<std::uint8_t>(std::clamp(base[channel] + 64 + static_cast<int>(wave) + noise, 0, 255));
    }
}

void NoiseBytes(Random& rng, std::uint8_t* out, std::size_t n) {
    std::size_t at = 0;
    while (at < n) {
        const std::uint64_t v = rng.next();
        const std::size_t take = std::min<std::size_t>(8, n - at);
        std::memcpy(out + at, &v, take);
        at += take;
    }
}

Bytes Compress9(const Bytes& data) {
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    Bytes out(length);
    if (compress2(out.data(), &length, data.data(), static_cast<uLong>(data.size()), 9) != Z_OK) {
        throw std::runtime_error("compress2 failed");
    }
    out.resize(length);
    return out;
}

}  // namespace

fs::path DataFileOf(const fs::path& index) {
    fs::path data = index;
    data.replace_extension(".rfd");
    return data;
}

std::vector<GameFile> PlanGameFiles(int count, std::uint64_t totalBytes, std::uint64_t seed) {
    Random rng{seed};
    std::vector<GameFile> files(static_cast<std::size_t>(count));
    int numbers[3] = {0, 0, 0};
    double sum = 0;
    std::vector<double> sizes(files.size());
    // About one entry in 125 is a large texture, movie or piece of music of one to
    // four megabytes; the rest spread evenly over the orders of magnitude from a
    // few bytes to half a megabyte.
    for (std::size_t i = 0; i < files.size(); ++i) {
        GameFile& f = files[i];
        const bool large = rng.below(125) == 0;
        const std::uint32_t pick = rng.below(100);
        f.kind = large ? (pick < 60 ? Kind::Texture : Kind::Noise)
                       : (pick < 35   ? Kind::Text
                          : pick < 80 ? Kind::Texture
                                      : Kind::Noise);
        sizes[i] = large ? (1.0 + 3.0 * rng.unit()) * 1048576.0 : 3.0 * std::pow(524288.0 / 3.0, rng.unit());
        sum += sizes[i];
        const FolderSet& set = SetOf(f.kind);
        f.folder = set.folders[rng.below(static_cast<std::uint32_t>(set.folders.size()))];
        char name[32];
        std::snprintf(name, sizeof name, "%s%04d%s", set.prefix, ++numbers[static_cast<int>(f.kind)], set.extension);
        f.name = name;
        f.seed = rng.next();
    }
    const double scale = static_cast<double>(totalBytes) / sum;
    for (std::size_t i = 0; i < files.size(); ++i) {
        files[i].size = static_cast<std::uint32_t>(std::max(3.0, std::round(sizes[i] * scale)));
    }
    return files;
}

Bytes MakeBytes(const GameFile& file) {
    Bytes out(file.size);
    Random rng{file.seed};
    switch (file.kind) {
        case Kind::Text: TextBytes(rng, out.data(), out.size()); break;
        case Kind::Texture: TextureBytes(rng, out.data(), out.size()); break;
        case Kind::Noise: NoiseBytes(rng, out.data(), out.size()); break;
    }
    return out;
}

void WriteGameArchive(const fs::path& index, const std::vector<GameFile>& files, unsigned threads) {
    std::ofstream data(DataFileOf(index), std::ios::binary | std::ios::trunc);
    Bytes table;
    std::int64_t offset = 0;
    constexpr std::size_t kBatch = 64;
    for (std::size_t first = 0; first < files.size(); first += kBatch) {
        const std::size_t last = std::min(files.size(), first + kBatch);
        std::vector<Bytes> streams(last - first);
        std::atomic<std::size_t> next{first};
        std::vector<std::thread> pool;
        for (unsigned t = 0; t < std::max(1u, threads); ++t) {
            pool.emplace_back([&] {
                for (std::size_t i; (i = next++) < last;) streams[i - first] = Compress9(MakeBytes(files[i]));
            });
        }
        for (auto& t : pool) t.join();
        for (std::size_t i = first; i < last; ++i) {
            const GameFile& f = files[i];
            const Bytes& stream = streams[i - first];
            const std::string name = f.folder + f.name;
            PutI32(table, static_cast<std::int64_t>(name.size()) + 1);
            PutI32(table, 1006363084);
            PutI32(table, 2);
            PutI32(table, static_cast<std::int64_t>(stream.size()) + 4);
            PutI32(table, f.size);
            PutI32(table, offset);
            table.insert(table.end(), name.begin(), name.end());
            table.push_back(0);
            Bytes prefix;
            PutI32(prefix, f.size);
            data.write(reinterpret_cast<const char*>(prefix.data()), 4);
            data.write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
            offset += 4 + static_cast<std::int64_t>(stream.size());
        }
    }
    if (!data) throw std::runtime_error("cannot write " + DataFileOf(index).string());
    WriteAll(index, table.data(), table.size());
}

void WriteFolder(const fs::path& folder, const std::vector<GameFile>& files) {
    fs::create_directories(folder);
    for (const GameFile& f : files) {
        const Bytes bytes = MakeBytes(f);
        WriteAll(folder / f.name, bytes.data(), bytes.size());
    }
}

void WriteFirstEntries(const fs::path& index, int count, const fs::path& toIndex) {
    const Bytes table = ReadAll(index);
    std::size_t at = 0;
    std::int64_t dataEnd = 0;
    for (int i = 0; i < count && at + 24 <= table.size(); ++i) {
        dataEnd = std::max<std::int64_t>(dataEnd, std::int64_t{GetI32(table, at + 20)} + GetI32(table, at + 12));
        at += 24 + static_cast<std::size_t>(GetI32(table, at));
    }
    WriteAll(toIndex, table.data(), at);
    fs::copy_file(DataFileOf(index), DataFileOf(toIndex), fs::copy_options::overwrite_existing);
    fs::resize_file(DataFileOf(toIndex), static_cast<std::uintmax_t>(dataEnd));
}

}  // namespace varnok::bench
