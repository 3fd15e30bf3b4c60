#include "sensor/TimerService.h"

#include <system_error>

#include "sensor/ThreadPriority.h"

CTimerService::~CTimerService() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_timers.clear();
    }
    m_scheduleChanged.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

CTimerService::TimerId CTimerService::Start(unsigned periodMs, Callback callback) {
    if (periodMs == 0 || !callback) {
        return 0;
    }
    std::unique_lock lock(m_mutex);
    if (m_stopping || !EnsureThread()) {
        return 0;
    }
    const auto period =
        std::chrono::duration_cast<Clock::duration>(std::chrono::milliseconds(periodMs));
    const TimerId id = m_nextId++;
    m_timers.emplace(
        id, Timer{period, Clock::now() + period, std::make_shared<Callback>(std::move(callback))});
    lock.unlock();
    m_scheduleChanged.notify_all();
    return id;
}

bool CTimerService::Kill(TimerId id) {
    // 0 is no timer (a failed Start); it would wait for "no callback running" to end.
    if (id == 0) {
        return false;
    }
    std::unique_lock lock(m_mutex);
    const bool existed = m_timers.erase(id) > 0;
    if (std::this_thread::get_id() != m_serviceThreadId) {
        // The caller may free what the callback uses as soon as Kill returns.
        m_callbackDone.wait(lock, [&] { return m_running != id; });
    }
    lock.unlock();
    m_scheduleChanged.notify_all();
    return existed;
}

CTimerService::Clock::time_point CTimerService::Now() const {
    return Clock::now();
}

bool CTimerService::WaitFor(std::chrono::milliseconds timeout, std::chrono::milliseconds check,
                            const std::function<bool()>& done) {
    if (done()) {
        return true;
    }
    for (std::chrono::milliseconds waited{0}; waited < timeout; waited += check) {
        std::this_thread::sleep_for(check);
        if (done()) {
            return true;
        }
    }
    return false;
}

bool CTimerService::EnsureThread() {
    if (m_thread.joinable()) {
        return true;
    }
    // std::thread reports a failure to start only by throwing; the service reports it as 0.
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    m_serviceThreadId = m_thread.get_id();
    return true;
}

std::map<CTimerService::TimerId, CTimerService::Timer>::iterator CTimerService::Earliest() {
    auto earliest = m_timers.begin();
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->second.Deadline < earliest->second.Deadline) {
            earliest = it;
        }
    }
    return earliest;
}

void CTimerService::Run() {
    RaiseThreadPriority();
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_timers.empty()) {
            m_scheduleChanged.wait(lock);
            continue;
        }
        auto next = Earliest();
        // A copy: the timer may be killed, and its entry freed, while this waits.
        const Clock::time_point deadline = next->second.Deadline;
        if (Clock::now() < deadline) {
            m_scheduleChanged.wait_until(lock, deadline);
            continue; // the schedule may have changed while waiting
        }
        RunDue(lock, next->first, next->second);
    }
}

void CTimerService::RunDue(std::unique_lock<std::mutex>& lock, TimerId id, Timer& timer) {
    const auto now = Clock::now();
    timer.Deadline += timer.Period;
    if (timer.Deadline <= now) {
        // Late by more than a period: keep the phase, drop the ticks already missed.
        const auto missed = (now - timer.Deadline) / timer.Period + 1;
        timer.Deadline += missed * timer.Period;
    }
    const std::shared_ptr<Callback> action = timer.Action;
    m_running = id;
    lock.unlock();
    (*action)();
    lock.lock();
    m_running = 0;
    m_callbackDone.notify_all();
}
