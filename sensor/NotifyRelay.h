#pragma once

#include <cstdint>
#include <mutex>

#include "sensor/NotifyTarget.h"

// A notification target that hands every post on to another one, or drops it while there is
// none. It outlives the target it forwards to: whoever owns that target clears the forward
// before destroying it, and Forward waits for a post under way, so no post reaches a destroyed
// target however the sensor proxy's threads and the hand-over interleave.
class CNotifyRelay : public NotifyTarget {
public:
    void Post(unsigned message, std::uintptr_t wParam) override;
    // Hands the connection number on with the notification.
    void PostFrom(std::uint64_t connection, unsigned message, std::uintptr_t wParam) override;
    // nullptr drops every later post; returns once no post to the previous target runs.
    void Forward(NotifyTarget* target);

private:
    std::mutex m_mutex;
    NotifyTarget* m_target = nullptr;
};
