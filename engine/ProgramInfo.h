#pragma once

namespace varnok {

// What the program's version resource says of itself.
inline constexpr const char* kFileDescription = "Varnok 2";
inline constexpr const char* kVersionComments = " - Beta 1/Build 77";
inline constexpr int kBuildNumber = 77;

// Entries an RFH or BAG table holds at most.
inline constexpr int kMaxEntries = 5000;

}  // namespace varnok
