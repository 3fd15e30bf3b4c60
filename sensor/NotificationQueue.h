#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "sensor/NotifyTarget.h"

struct Notification {
    unsigned Message = 0;
    std::uintptr_t WParam = 0;
    std::uint64_t Connection = NotifyTarget::NO_CONNECTION;
    std::chrono::steady_clock::time_point Time; // when it was posted
};

// A notification target for consumers without an event loop of their own (the command-line
// client, the tests): Post queues, in posting order and with the time of posting; the consumer
// takes notifications out, waiting with a deadline when none is there.
class CNotificationQueue : public NotifyTarget {
public:
    using Clock = std::chrono::steady_clock;

    // Every post ends in PostFrom, which a subclass overrides to see them all.
    void Post(unsigned message, std::uintptr_t wParam) final;
    void PostFrom(std::uint64_t connection, unsigned message, std::uintptr_t wParam) override;

    // The oldest notification, or nothing when none arrives before the deadline.
    std::optional<Notification> Pop(Clock::time_point deadline);
    std::optional<Notification> Pop(std::chrono::milliseconds timeout);

    // The oldest notification that `match` accepts, taken out of the queue; notifications
    // before it stay queued. Nothing when none arrives before the deadline.
    std::optional<Notification> PopMatching(const std::function<bool(const Notification&)>& match,
                                            Clock::time_point deadline);
    std::optional<Notification> PopMessage(unsigned message, std::chrono::milliseconds timeout);

    std::vector<Notification> Snapshot() const; // everything queued, oldest first
    std::size_t Count(unsigned message) const;  // queued notifications of this kind
    std::size_t Size() const;
    void Clear();

protected:
    // The time each post is stamped with; called with the queue's lock held, so it must not
    // wait for anything that posts.
    virtual Clock::time_point Now() const { return Clock::now(); }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<Notification> m_queue;
};
