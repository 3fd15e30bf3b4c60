#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "sensor/TimerSource.h"

// Periodic timers whose callbacks run on one service thread of their own.
//
// Deadlines are absolute on the steady clock: each tick is due one period after the previous
// deadline, not after the previous callback, so a period holds over any length of time. A tick
// that comes more than a period late (a slow callback, a loaded machine) is not made up for by a
// burst: the timer skips to the next deadline still ahead.
//
// The service thread starts with the first timer and sleeps on a condition variable while
// nothing is due, so an idle service costs no CPU.
class CTimerService : public TimerSource {
public:
    CTimerService() = default;
    // Kills every timer and ends the service thread. Must not be called from a callback.
    ~CTimerService() override;
    CTimerService(const CTimerService&) = delete;
    CTimerService& operator=(const CTimerService&) = delete;

    // Start returns 0 also when the service thread cannot start.
    TimerId Start(unsigned periodMs, Callback callback) override;
    bool Kill(TimerId id) override;
    Clock::time_point Now() const override;
    // Sleeps `check` at a time between looks.
    bool WaitFor(std::chrono::milliseconds timeout, std::chrono::milliseconds check,
                 const std::function<bool()>& done) override;

private:
    struct Timer {
        Clock::duration Period;
        Clock::time_point Deadline;
        std::shared_ptr<Callback> Action; // shared: a callback may kill its own timer
    };

    bool EnsureThread(); // with m_mutex held
    void Run();
    std::map<TimerId, Timer>::iterator Earliest();
    void RunDue(std::unique_lock<std::mutex>& lock, TimerId id, Timer& timer);

    std::mutex m_mutex;
    std::condition_variable m_scheduleChanged;
    std::condition_variable m_callbackDone;
    std::map<TimerId, Timer> m_timers;
    TimerId m_nextId = 1;
    TimerId m_running = 0; // timer whose callback runs now, 0 = none
    bool m_stopping = false;
    std::thread::id m_serviceThreadId;
    std::thread m_thread;
};
