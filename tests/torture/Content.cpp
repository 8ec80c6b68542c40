#include "tests/torture/Content.h"

#include <cstring>

namespace varnok::torture {

namespace {

constexpr char kMagic[] = "VNKT ";
constexpr std::size_t kWaveHeader = 44;

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

std::uint64_t Seed(const Identity& who) {
    std::uint64_t h = 1469598103934665603ULL;
    for (char c : who.id) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    return Mix(h ^ static_cast<std::uint64_t>(who.version) * 0x100000001b3ULL);
}

std::string Header(const Identity& who) { return kMagic + who.id + " " + std::to_string(who.version) + "\n"; }

// Half the entries are text-like (they compress well), half noise; most are
// small, a few reach tens of kilobytes.
Bytes Body(const Identity& who) {
    std::uint64_t state = Seed(who);
    const std::uint64_t pick = Mix(state);
    const std::size_t size = pick % 16 == 0 ? 8000 + pick % 40000 : 16 + pick % 3000;
    const bool textLike = (pick >> 8) % 2 == 0;
    Bytes out(size);
    for (auto& b : out) {
        state = Mix(state);
        b = textLike ? static_cast<std::uint8_t>("etaoin shrdlu\n"[state % 14]) : static_cast<std::uint8_t>(state);
    }
    return out;
}

void PutLe(Bytes& out, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutTag(Bytes& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(tag[i]));
}

void Append(Bytes& out, const Bytes& more) {
    out.reserve(out.size() + more.size());
    for (std::uint8_t b : more) out.push_back(b);
}

}  // namespace

Bytes EntryBytes(const Identity& who) {
    const std::string header = Header(who);
    Bytes out(header.begin(), header.end());
    Append(out, Body(who));
    return out;
}

Bytes WaveFile(const Identity& who) {
    Bytes samples = EntryBytes(who);
    if (samples.size() % 2) samples.push_back(0);  // whole 16-bit samples
    const std::uint32_t rate = 11025;
    const auto dataSize = static_cast<std::uint32_t>(samples.size());
    Bytes out;
    PutTag(out, "RIFF");
    PutLe(out, 36 + dataSize, 4);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);  // PCM
    PutLe(out, 1, 2);  // mono
    PutLe(out, rate, 4);
    PutLe(out, rate * 2, 4);  // bytes per second
    PutLe(out, 2, 2);         // block align
    PutLe(out, 16, 2);        // bits per sample
    PutTag(out, "data");
    PutLe(out, dataSize, 4);
    Append(out, samples);
    return out;
}

Bytes FileBytes(ArchiveKind kind, const Identity& who) {
    return kind == ArchiveKind::Bag ? WaveFile(who) : EntryBytes(who);
}

std::optional<Identity> IdentityIn(ArchiveKind kind, const Bytes& bytes) {
    const std::size_t start = kind == ArchiveKind::Bag ? kWaveHeader : 0;
    const std::size_t magic = std::strlen(kMagic);
    if (bytes.size() < start + magic || std::memcmp(bytes.data() + start, kMagic, magic) != 0) return std::nullopt;
    std::size_t end = start + magic;
    while (end < bytes.size() && end < start + 80 && bytes[end] != '\n') ++end;
    const std::string text(bytes.begin() + static_cast<std::ptrdiff_t>(start + magic),
                           bytes.begin() + static_cast<std::ptrdiff_t>(end));
    const std::size_t space = text.find(' ');
    if (space == std::string::npos || space + 1 >= text.size()) return std::nullopt;
    Identity who{text.substr(0, space), 0};
    for (std::size_t i = space + 1; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9' || who.version > 1000000) return std::nullopt;
        who.version = who.version * 10 + (text[i] - '0');
    }
    return who;
}

std::string IdOfName(const std::string& name) {
    const std::size_t cut = name.find('r');
    return cut == std::string::npos ? name : name.substr(0, cut);
}

}  // namespace varnok::torture
