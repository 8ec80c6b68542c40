#pragma once

#include <string>
#include <string_view>

namespace varnok {

// The text after the last separator of `path`, or `path` whole when it holds no
// separator after its first character. Both "\" (stored names, typed names) and
// "/" (disk paths here) count.
std::string StripPath(std::string_view path);

// A copy with a-z made A-Z and every other byte unchanged.
std::string UpperCaseASCII(std::string_view text);

// `text` with a trailing "\" (stored folders) or "/" (disk folders) added when it
// has none. An empty text stays empty.
std::string WithTrailingBackslash(std::string text);
std::string WithTrailingSlash(std::string text);

// The data file's path for an index path: its last three characters replaced by
// "rfd", each in the letter case of the character it replaces ("X.RFH" gives
// "X.RFD"). A path shorter than three characters has none: "".
std::string DataFilePath(std::string_view indexPath);

}  // namespace varnok
