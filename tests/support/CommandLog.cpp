#include "support/CommandLog.h"

#include <thread>

#include "sim/VirtualSensor.h"
#include "support/ManualClock.h"

CommandLog::CommandLog(const VirtualSensor& sensor)
    : m_sensor(sensor), m_seen(sensor.CommandsReceived()) {
}

CommandLog::CommandLog(const VirtualSensor& sensor, ManualClock& clock,
                       std::function<void()> settle)
    : m_sensor(sensor), m_clock(&clock), m_settle(std::move(settle)),
      m_seen(sensor.CommandsReceived()) {
}

void CommandLog::Note(Clock::time_point now) {
    for (const std::uint64_t received = m_sensor.CommandsReceived(); m_seen < received; ++m_seen) {
        m_arrivals.push_back(now);
    }
}

bool CommandLog::WatchInVirtualTime(const std::function<bool()>& done,
                                    std::chrono::milliseconds timeout) {
    const auto deadline = m_clock->Now() + timeout;
    for (;;) {
        m_settle();
        Note(m_clock->Now());
        if (done()) {
            return true;
        }
        if (!m_clock->AdvanceToNext(deadline)) {
            m_settle();
            Note(m_clock->Now());
            return done();
        }
    }
}

bool CommandLog::WatchUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    if (m_clock != nullptr) {
        return WatchInVirtualTime(done, timeout);
    }
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto now = Clock::now();
        Note(now);
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
