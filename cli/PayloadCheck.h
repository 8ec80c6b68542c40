#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace varnok {
class cRFH;
class cBAG;
}  // namespace varnok

namespace varnok::cli {

// One entry whose data can't be extracted as the table describes it.
struct DamagedEntry {
    std::int32_t number = 0;
    std::string why;  // names the entry
};

// Reads every payload of an RFH archive as extraction does: each must lie inside
// the data file, and a compressed one must inflate to exactly its original size.
std::vector<DamagedEntry> CheckRfhPayloads(const cRFH& index, const std::filesystem::path& data);

// Every record's data must lie inside the BAG file.
std::vector<DamagedEntry> CheckBagRecords(const cBAG& bag, const std::filesystem::path& file);

}  // namespace varnok::cli
