#pragma once

#include <chrono>
#include <functional>
#include <thread>

// Waits until `condition` holds or `timeout` has passed, checking often; true when it held.
// Tests wait on conditions with a deadline, never on a fixed sleep.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return condition();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
