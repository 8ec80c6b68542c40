#pragma once

#include <string>

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

}  // namespace varnok::cli
