#pragma once
// Waiting in tests for what another thread does: on a condition, with a bound far beyond what
// the step takes, so that a regression fails instead of hanging until the runner's time-out.

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace parch::test {

// Far beyond what any step waited for takes, even on a loaded machine under a sanitizer.
constexpr std::chrono::seconds kGenerousBound{30};

// Spins without serving anything until done() holds; false when it did not within the bound.
inline bool SpinUntil(const std::function<bool()>& done) {
    const auto giveUp = std::chrono::steady_clock::now() + kGenerousBound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        std::this_thread::yield();
    }
    return true;
}

inline bool SpinUntil(const std::atomic<bool>& flag) {
    return SpinUntil([&flag] { return flag.load(); });
}

}  // namespace parch::test
