#pragma once

#include <stdexcept>
#include <string>

namespace varnok {

// What went wrong when a format class could not do what it was asked.
enum class FormatErrorKind {
    Range,        // an entry number or a count outside what the table holds
    InputOutput,  // a file could not be opened, read or written
    Corrupt,      // the bytes do not follow the format
};

// The one failure the format classes raise to their callers. The message is
// written for a user: it names the file and, where it helps, the offset.
class FormatError : public std::runtime_error {
public:
    FormatError(FormatErrorKind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}

    FormatErrorKind kind() const noexcept { return kind_; }

private:
    FormatErrorKind kind_;
};

}  // namespace varnok
