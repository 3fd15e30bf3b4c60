#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

class VirtualSensor;

// Watches the number of commands a virtual sensor has received and notes when each one arrived
// (to about a millisecond), so tests can check how often and how far apart a host wrote.
class CommandLog {
public:
    using Clock = std::chrono::steady_clock;

    explicit CommandLog(const VirtualSensor& sensor);

    // Watches until `done` holds or the timeout passes; true when `done` held.
    bool WatchUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    const std::vector<Clock::time_point>& Arrivals() const { return m_arrivals; }
    std::size_t Count() const { return m_arrivals.size(); }
    // Gaps between consecutive arrivals, in milliseconds.
    std::vector<double> GapsMs() const;

private:
    const VirtualSensor& m_sensor;
    std::uint64_t m_seen;
    std::vector<Clock::time_point> m_arrivals;
};
