#include "support/ManualClock.h"

#include "support/Deadline.h"

TimerSource::TimerId ManualClock::Start(unsigned periodMs, Callback callback) {
    if (periodMs == 0 || !callback) {
        return 0;
    }
    std::lock_guard lock(m_mutex);
    const Clock::duration period = std::chrono::milliseconds(periodMs);
    const TimerId id = m_nextId++;
    m_timers.emplace(
        id, Timer{period, m_now + period, std::make_shared<Callback>(std::move(callback))});
    return id;
}

// As the timer service's: from another thread it waits for a running tick of the timer.
bool ManualClock::Kill(TimerId id) {
    if (id == 0) {
        return false;
    }
    std::unique_lock lock(m_mutex);
    const bool existed = m_timers.erase(id) > 0;
    if (std::this_thread::get_id() != m_runningThread) {
        m_callbackDone.wait(lock, [&] { return m_running != id; });
    }
    return existed;
}

TimerSource::Clock::time_point ManualClock::Now() const {
    std::lock_guard lock(m_mutex);
    return m_now;
}

// What the proxy waits for here is the sensor's answer or a short pause, both of which come
// in real time; looking every millisecond keeps a test from idling, and a sensor known to be
// silent is not waited for.
bool ManualClock::WaitFor(std::chrono::milliseconds timeout, std::chrono::milliseconds,
                          const std::function<bool()>& done) {
    return WaitUntilDoneOrQuiet(
        done, [this] { return m_sensorSilent && m_sensorSilent(); }, timeout);
}

bool ManualClock::AdvanceToNext(Clock::time_point limit) {
    std::unique_lock lock(m_mutex);
    const auto next = Earliest();
    if (next == m_timers.end() || next->second.Deadline > limit) {
        m_now = std::max(m_now, limit);
        return false;
    }
    m_now = std::max(m_now, next->second.Deadline);
    RunDue(lock);
    return true;
}

void ManualClock::Advance(Clock::duration duration) {
    const Clock::time_point limit = Now() + duration;
    while (AdvanceToNext(limit)) {
    }
}

std::size_t ManualClock::Timers() const {
    std::lock_guard lock(m_mutex);
    return m_timers.size();
}

std::map<TimerSource::TimerId, ManualClock::Timer>::iterator ManualClock::Earliest() {
    auto earliest = m_timers.begin();
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->second.Deadline < earliest->second.Deadline) {
            earliest = it;
        }
    }
    return earliest;
}

// One tick at a time, each due one period after its last deadline; a tick may start or kill
// timers, so the earliest is looked up afresh after each.
void ManualClock::RunDue(std::unique_lock<std::mutex>& lock) {
    for (auto next = Earliest(); next != m_timers.end() && next->second.Deadline <= m_now;
         next = Earliest()) {
        next->second.Deadline += next->second.Period;
        const std::shared_ptr<Callback> action = next->second.Action;
        m_running = next->first;
        m_runningThread = std::this_thread::get_id();
        lock.unlock();
        (*action)();
        lock.lock();
        m_running = 0;
        m_runningThread = {};
        m_callbackDone.notify_all();
    }
}
