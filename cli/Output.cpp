#include "cli/Output.h"

#include <iostream>

namespace varnok::cli {

void PrintError(const std::string& text) { std::cerr << "varnok: " << text << '\n'; }

void PrintWarning(const std::string& text) { std::cerr << "varnok: warning: " << text << '\n'; }

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace varnok::cli
