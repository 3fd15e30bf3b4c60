#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "sensor/TimerSource.h"

// A clock the test moves on by hand. Time stands still until the test advances it; each tick
// that falls due on the way runs then, on the advancing thread, in deadline order, so polling
// periods and time-outs pass in no real time at all. Short waits of the proxy (for the sensor's
// answer) still run in real time: the virtual sensor answers over a real pseudo-terminal.
class ManualClock : public TimerSource {
public:
    TimerId Start(unsigned periodMs, Callback callback) override;
    bool Kill(TimerId id) override;
    Clock::time_point Now() const override;
    bool WaitFor(std::chrono::milliseconds timeout, std::chrono::milliseconds check,
                 const std::function<bool()>& done) override;

    // Tells when the sensor has heard every command and is not answering (in real time): a wait
    // of the proxy then ends 20 ms later as if its whole time had passed. Set before use.
    void SetSensorSilent(std::function<bool()> silent) { m_sensorSilent = std::move(silent); }

    // Moves the time to the earliest deadline not after `limit` and runs the ticks due then;
    // with none due by `limit`, moves the time to `limit` and returns false.
    bool AdvanceToNext(Clock::time_point limit);
    // Moves the time on by `duration`, running every tick due on the way.
    void Advance(Clock::duration duration);
    std::size_t Timers() const;

private:
    struct Timer {
        Clock::duration Period;
        Clock::time_point Deadline;
        std::shared_ptr<Callback> Action;
    };

    std::map<TimerId, Timer>::iterator Earliest();
    void RunDue(std::unique_lock<std::mutex>& lock);

    std::function<bool()> m_sensorSilent;
    mutable std::mutex m_mutex;
    std::condition_variable m_callbackDone;
    std::map<TimerId, Timer> m_timers;
    Clock::time_point m_now{}; // starts at the clock's epoch
    TimerId m_nextId = 1;
    TimerId m_running = 0;
    std::thread::id m_runningThread;
};
