#pragma once
// The one polling loop of the tests and benchmarks: asks `done` until it holds or `limit` has
// passed, running `between` (a short sleep, or a turn of an event loop) between two questions.
#include <chrono>
#include <functional>
#include <thread>

namespace veldo::testing {

inline void SleepBriefly() {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// Gives the last answer of `done`.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(15),
                      const std::function<void()>& between = SleepBriefly) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        between();
    }
    return true;
}

} // namespace veldo::testing
