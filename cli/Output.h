#pragma once

#include <string>
#include <string_view>

namespace varnok::cli {

// The exit codes of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the operation failed, or an archive is damaged
inline constexpr int kExitUsage = 2;   // the command line was wrong

// One line "varnok: TEXT" on stderr.
void PrintError(const std::string& text);
// One line "varnok: warning: TEXT" on stderr.
void PrintWarning(const std::string& text);

// A path or name in double quotes, as messages show it.
std::string Quoted(const std::string& text);

// A name from an archive (UTF-8) made safe to print on a terminal: every control
// character (C0, DEL, C1) becomes \xHH, HH its code in upper-case hex, so no name
// can move the cursor or break a table's line. A "\" that would read as such an
// escape is itself written \x5C, so the text can be read back unambiguously.
std::string EscapedName(std::string_view name);

}  // namespace varnok::cli
