#pragma once

#include <cstdint>
#include <string>

namespace varnok {

// A byte count as the short size text the desktop shows: "532 bytes", "1.30 KB",
// "22.9 KB", "998 KB", "0.99 MB", "2.28 MB", "2.23 GB". Below 1024 the count is
// given in bytes; above, in the largest unit (base 1024) that keeps the number
// below 1000, with three significant digits, truncated, never rounded.
std::string FormatSize(std::int64_t bytes);

}  // namespace varnok
