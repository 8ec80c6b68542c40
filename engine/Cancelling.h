#pragma once

#include <cstdint>
#include <string>

namespace varnok {

// Panel 1 after a long command the user stopped: how far it got, e.g.
// "Cancelled: 120 of 5000 files extracted."
inline std::string CancelledText(std::int64_t done, std::int64_t total, const std::string& what) {
    return "Cancelled: " + std::to_string(done) + " of " + std::to_string(total) + " " + what + ".";
}

}  // namespace varnok
