#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace varnok {
class cRFH;
class cBAG;
}  // namespace varnok

namespace varnok {

// One entry whose data can't be extracted as the table describes it.
struct DamagedEntry {
    std::int32_t number = 0;
    std::string why;  // names the entry
};

// Told after each entry how many have been checked; returning false stops the
// check there, with the damage found so far.
using CheckProgress = std::function<bool(std::int32_t checked)>;

// Reads every payload of an RFH archive as extraction does: each must lie inside
// the data file, a compressed one must inflate to exactly its original size, and
// a model (.xbf) must read as one.
std::vector<DamagedEntry> CheckRfhPayloads(const cRFH& index, const std::filesystem::path& data,
                                           const CheckProgress& progress = {});

// Every record's data must lie inside the BAG file, and a sound record must read
// as extraction reads it: IMA ADPCM data must decode.
std::vector<DamagedEntry> CheckBagRecords(const cBAG& bag, const std::filesystem::path& file,
                                          const CheckProgress& progress = {});

}  // namespace varnok
