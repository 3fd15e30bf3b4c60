#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

class ManualClock;
class VirtualSensor;

// Watches the number of commands a virtual sensor has received and notes when each one arrived
// (to about a millisecond), so tests can check how often and how far apart a host wrote.
class CommandLog {
public:
    using Clock = std::chrono::steady_clock;

    explicit CommandLog(const VirtualSensor& sensor);
    // In virtual time: arrivals carry `clock`'s time, and the watch moves it on tick by tick,
    // calling `settle` (which waits until the host has written what a tick makes it write)
    // before each step.
    CommandLog(const VirtualSensor& sensor, ManualClock& clock, std::function<void()> settle);

    // Watches until `done` holds or the timeout passes; true when `done` held.
    bool WatchUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    const std::vector<Clock::time_point>& Arrivals() const { return m_arrivals; }
    std::size_t Count() const { return m_arrivals.size(); }
    // Gaps between consecutive arrivals, in milliseconds.
    std::vector<double> GapsMs() const;

private:
    void Note(Clock::time_point now);
    bool WatchInVirtualTime(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    const VirtualSensor& m_sensor;
    ManualClock* m_clock = nullptr;
    std::function<void()> m_settle;
    std::uint64_t m_seen;
    std::vector<Clock::time_point> m_arrivals;
};
