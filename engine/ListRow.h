#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace varnok {

// The seven columns of the file list, in display order.
enum class Column { Filename = 0, Packed, PackedSize, OriginalSize, Ratio, Path, FileNr };
inline constexpr int kColumnCount = 7;
inline constexpr std::array<const char*, kColumnCount> kColumnCaptions = {
    "Filename", "Packed", "Packed Size", "Original Size", "Ratio", "Path", "File Nr"};

// One row of the file list: the UTF-8 texts of its seven cells, and the sizes
// behind the two size texts, so that the list can order rows by the bytes they
// hold rather than by "1.30 KB" against "532 bytes".
struct ListRow {
    std::array<std::string, kColumnCount> cells;
    std::uint32_t packedSize = 0;
    std::uint32_t originalSize = 0;

    std::string& operator[](Column c) { return cells[static_cast<std::size_t>(c)]; }
    const std::string& operator[](Column c) const { return cells[static_cast<std::size_t>(c)]; }
};

}  // namespace varnok
