#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

// Where the proxy takes its time from: periodic timers, the present moment and its short waits.
// The programs use the timer service on the steady clock; a test may hand the proxy a clock it
// drives itself, so that polling periods and time-outs pass without waiting for them.
class TimerSource {
public:
    using TimerId = std::uint64_t;
    using Callback = std::function<void()>;
    using Clock = std::chrono::steady_clock;

    virtual ~TimerSource() = default;

    // Starts a periodic timer; its first tick is one period from now. Returns its id, never
    // reused, or 0 when the period is 0 or the timer cannot run.
    virtual TimerId Start(unsigned periodMs, Callback callback) = 0;
    // Stops a timer: no tick of it begins after Kill returns. Called from another thread, Kill
    // also waits for a running callback of that timer to finish; called from a callback (the
    // timer may kill itself), it returns at once. False when no such timer exists.
    virtual bool Kill(TimerId id) = 0;

    virtual Clock::time_point Now() const = 0;
    // Waits until `done` holds, looking every `check`, for at most `timeout`; true when it held.
    // A `done` that never holds makes this a pause of `timeout`.
    virtual bool WaitFor(std::chrono::milliseconds timeout, std::chrono::milliseconds check,
                         const std::function<bool()>& done) = 0;
};
