#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnok {

// A plug-in's "Command" text as program arguments: the words between blanks
// (spaces and tabs). Nothing else is special; quotes, "$" and ";" stay in their
// words, since no shell ever sees them.
std::vector<std::string> SplitCommand(std::string_view command);

// A text of "plugin.ini" as UTF-8. Descriptions written on Windows are in its ANSI
// code page (Windows-1252); one that is valid UTF-8 already is kept as it is.
std::string DescriptionText(std::string_view bytes);

}  // namespace varnok
