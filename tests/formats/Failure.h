#pragma once

#include <functional>
#include <optional>
#include <string>

#include "formats/FormatError.h"

namespace varnok::test {

// What a call raised: the kind and text of its FormatError, no kind when it returned.
struct Failure {
    std::optional<FormatErrorKind> kind;
    std::string message;
};

inline Failure FailureOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const FormatError& e) {
        return {e.kind(), e.what()};
    }
    return {};
}

inline std::optional<FormatErrorKind> KindOf(const std::function<void()>& fn) { return FailureOf(fn).kind; }
inline std::string MessageOf(const std::function<void()>& fn) { return FailureOf(fn).message; }

}  // namespace varnok::test
