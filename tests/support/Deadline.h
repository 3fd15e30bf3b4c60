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

// Waits until `done` holds, or until `quiet` (a sensor has dealt with everything it was sent,
// without answering) has held for `stillFor`, or `timeout` has passed; true when done. A command
// may still be on its way when the sensor looks quiet, hence the moment it must stay so.
inline bool
WaitUntilDoneOrQuiet(const std::function<bool()>& done, const std::function<bool()>& quiet,
                     std::chrono::milliseconds timeout,
                     std::chrono::milliseconds stillFor = std::chrono::milliseconds(20)) {
    auto quietSince = std::chrono::steady_clock::now();
    WaitUntil(
        [&] {
            const auto now = std::chrono::steady_clock::now();
            if (!quiet()) {
                quietSince = now;
            }
            return done() || now - quietSince >= stillFor;
        },
        timeout);
    return done();
}
