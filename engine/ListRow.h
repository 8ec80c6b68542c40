#pragma once

#include <array>
#include <string>

namespace varnok {

// The seven columns of the file list, in display order.
enum class Column { Filename = 0, Packed, PackedSize, OriginalSize, Ratio, Path, FileNr };
inline constexpr int kColumnCount = 7;
inline constexpr std::array<const char*, kColumnCount> kColumnCaptions = {
    "Filename", "Packed", "Packed Size", "Original Size", "Ratio", "Path", "File Nr"};

// One row of the file list: the UTF-8 texts of its seven cells.
struct ListRow {
    std::array<std::string, kColumnCount> cells;

    std::string& operator[](Column c) { return cells[static_cast<std::size_t>(c)]; }
    const std::string& operator[](Column c) const { return cells[static_cast<std::size_t>(c)]; }
};

}  // namespace varnok
