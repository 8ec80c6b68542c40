#pragma once

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>

namespace varnok::audio {

// An offset as the messages of the format readers show it: 0x1F4.
inline std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%" PRIX64, value);
    return text;
}

}  // namespace varnok::audio
