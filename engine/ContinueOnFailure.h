#pragma once

#include <exception>
#include <string>
#include <utility>

namespace varnok {

// Runs the steps of a sequence that must go on when one of them fails: start-up,
// shut-down, opening an archive, the window layout. A failing step is skipped and
// the next one runs; the sequence can tell afterwards whether anything failed and
// what the first failure said.
class ContinueOnFailure {
public:
    template <typename Step>
    bool step(Step&& run) noexcept {
        try {
            std::forward<Step>(run)();
            return true;
        } catch (const std::exception& e) {
            if (failures_++ == 0) firstFailure_ = e.what();
        } catch (...) {
            if (failures_++ == 0) firstFailure_ = "unknown failure";
        }
        return false;
    }

    int failures() const noexcept { return failures_; }
    const std::string& firstFailure() const noexcept { return firstFailure_; }

private:
    int failures_ = 0;
    std::string firstFailure_;
};

// One step on its own that may fail without stopping its caller.
template <typename Step>
bool TryStep(Step&& run) noexcept {
    return ContinueOnFailure().step(std::forward<Step>(run));
}

}  // namespace varnok
