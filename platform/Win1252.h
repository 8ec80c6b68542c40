#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnok {

// Stored names are bytes in the Windows-1252 code page; what a user sees and types
// is UTF-8. These two turn one into the other.

// Every byte has a character: the five bytes Windows-1252 leaves undefined map to
// the C1 control characters of the same value, so the round trip is lossless.
std::string Win1252ToUtf8(std::string_view bytes);

// The Windows-1252 bytes of a UTF-8 text, or nothing when a character has no byte
// in the code page or the text is not valid UTF-8 (a truncated sequence, an
// overlong form such as C0 80 for NUL, a surrogate).
std::optional<std::string> Utf8ToWin1252(std::string_view utf8);

}  // namespace varnok
