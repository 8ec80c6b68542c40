#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varnok::test {

// A fresh folder for one test, removed with everything in it when the test ends.
// It also points VARNOK_WINDOWS_DIR at a folder inside it, so nothing a test runs
// touches the user's own settings or work folders.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const noexcept { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

    // Writes a file (making its folders) and returns its path.
    std::filesystem::path write(const std::filesystem::path& name, std::string_view bytes) const;
    std::filesystem::path write(const std::filesystem::path& name, const std::vector<std::uint8_t>& bytes) const;

    // The names of the files directly in the folder, sorted.
    std::vector<std::string> listing(const std::filesystem::path& folder = {}) const;

private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
std::string ReadText(const std::filesystem::path& path);
std::vector<std::uint8_t> ToBytes(std::string_view text);

// Bytes that compress to different degrees, from a fixed seed.
std::vector<std::uint8_t> PseudoRandomBytes(std::size_t n, std::uint32_t seed);
std::vector<std::uint8_t> TextLikeBytes(std::size_t n, std::uint32_t seed);

}  // namespace varnok::test
