#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "sensor/NotificationQueue.h"
#include "sensor/TimerSource.h"

// A notification queue that also keeps every post in a log of its own, with a figure from the
// test's world taken at the moment of posting (for instance how many commands the virtual
// sensor had received by then): a test that looked it up after taking the notification out
// would race with the proxy's next step.
class RecordingTarget : public CNotificationQueue {
public:
    void SetProbe(std::function<std::uint64_t()> probe);
    // Posts are stamped with this clock's time (set before any post); none: the steady clock's.
    void SetTime(const TimerSource* time) { m_time = time; }
    void PostFrom(std::uint64_t connection, unsigned message, std::uintptr_t wParam) override;

    // Posts of this message (with this parameter, when given) so far, taken out or not.
    std::size_t Posted(unsigned message, std::optional<std::uintptr_t> wParam = {}) const;
    // The probe's figure at each of those posts, oldest first.
    std::vector<std::uint64_t> ProbesOf(unsigned message,
                                        std::optional<std::uintptr_t> wParam = {}) const;

protected:
    Clock::time_point Now() const override {
        return m_time != nullptr ? m_time->Now() : CNotificationQueue::Now();
    }

private:
    const TimerSource* m_time = nullptr;
    struct Entry {
        unsigned Message;
        std::uintptr_t WParam;
        std::uint64_t Figure;
    };

    mutable std::mutex m_mutex;
    std::function<std::uint64_t()> m_probe;
    std::vector<Entry> m_log;
};
