#include "support/CommandLog.h"

#include <thread>

#include "sim/VirtualSensor.h"

CommandLog::CommandLog(const VirtualSensor& sensor)
    : m_sensor(sensor), m_seen(sensor.CommandsReceived()) {
}

bool CommandLog::WatchUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const std::uint64_t received = m_sensor.CommandsReceived();
        const auto now = Clock::now();
        for (; m_seen < received; ++m_seen) {
            m_arrivals.push_back(now);
        }
        if (done()) {
            return true;
        }
        if (now >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

std::vector<double> CommandLog::GapsMs() const {
    std::vector<double> gaps;
    for (std::size_t i = 1; i < m_arrivals.size(); ++i) {
        gaps.push_back(
            std::chrono::duration<double, std::milli>(m_arrivals[i] - m_arrivals[i - 1]).count());
    }
    return gaps;
}
