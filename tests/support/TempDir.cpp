#include "tests/support/TempDir.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace varnok::test {
namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "varnok-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    fs::create_directories(path_ / "windows");
    ::setenv("VARNOK_WINDOWS_DIR", (path_ / "windows").c_str(), 1);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

fs::path TempDir::write(const fs::path& name, std::string_view bytes) const {
    fs::path p = path_ / name;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + p.string());
    return p;
}

fs::path TempDir::write(const fs::path& name, const std::vector<std::uint8_t>& bytes) const {
    return write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::string> TempDir::listing(const fs::path& folder) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_ / folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadText(const fs::path& path) {
    auto b = ReadBytes(path);
    return {b.begin(), b.end()};
}

std::vector<std::uint8_t> ToBytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> PseudoRandomBytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

std::vector<std::uint8_t> TextLikeBytes(std::size_t n, std::uint32_t seed) {
    static const char* kWords[] = {"Atreides ", "Harkonnen ",   "Ordos ",    "spice ",    "harvester ",
                                   "sandworm ", "refinery\r\n", "= 128\r\n", "[Unit]\r\n"};
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> out;
    out.reserve(n);
    while (out.size() < n) {
        const char* w = kWords[rng() % std::size(kWords)];
        for (const char* c = w; *c && out.size() < n; ++c) out.push_back(static_cast<std::uint8_t>(*c));
    }
    return out;
}

}  // namespace varnok::test
