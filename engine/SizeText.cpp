#include "engine/SizeText.h"

#include <array>

namespace varnok {

std::string FormatSize(std::int64_t bytes) {
    // A negative count is a 32-bit field read as signed; the desktop shows it as the
    // unsigned number it holds.
    const std::uint64_t n = bytes < 0 ? static_cast<std::uint32_t>(bytes) : static_cast<std::uint64_t>(bytes);
    if (n < 1024) return std::to_string(n) + " bytes";

    // Up to PB the remainder times 100 still fits in 64 bits.
    static constexpr std::array<const char*, 5> kUnits = {"KB", "MB", "GB", "TB", "PB"};
    std::size_t unit = 0;
    std::uint64_t divisor = 1024;
    while (unit + 1 < kUnits.size() && n / divisor >= 1000) {
        divisor *= 1024;
        ++unit;
    }
    const std::uint64_t whole = n / divisor;
    const auto fraction = static_cast<unsigned>((n % divisor) * 100 / divisor);

    std::string text = std::to_string(whole);
    if (whole < 10) {
        text += '.';
        text += static_cast<char>('0' + fraction / 10);
        text += static_cast<char>('0' + fraction % 10);
    } else if (whole < 100) {
        text += '.';
        text += static_cast<char>('0' + fraction / 10);
    }
    return text + " " + kUnits[unit];
}

}  // namespace varnok
