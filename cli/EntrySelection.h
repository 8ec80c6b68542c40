#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace varnok {
class mVarnokEngine;
}

namespace varnok::cli {

// The name a user gives an entry by, in Windows-1252 bytes: the full stored name
// of an RFH entry (stored path and file name), the listed name of a BAG entry.
std::string EntryName(const mVarnokEngine& engine, std::int32_t n);

struct Selection {
    std::vector<std::int32_t> numbers;  // in the order given, each once
    std::vector<std::string> unknown;   // the words that name no entry
};

// The entries the user's words name. A word of digits is an entry number; any
// other word is a stored name, matched whole, with "/" taken for "\" and a-z
// matched regardless of case; a BAG record's name is taken with or without the
// extension the list shows ("boom" or "boom.w"). A name held by several entries
// selects them all. A leading separator is ignored, so "\12" names the entry
// stored as "12".
Selection SelectEntries(const mVarnokEngine& engine, std::span<const std::string> words);

// Prints one line per unknown word and returns true when there was any.
bool ReportUnknown(const Selection& selection, const std::string& archive);

}  // namespace varnok::cli
