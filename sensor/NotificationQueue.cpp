#include "sensor/NotificationQueue.h"

#include <algorithm>

void CNotificationQueue::Post(unsigned message, std::uintptr_t wParam) {
    PostFrom(NO_CONNECTION, message, wParam);
}

void CNotificationQueue::PostFrom(std::uint64_t connection, unsigned message,
                                  std::uintptr_t wParam) {
    {
        // Stamped under the lock, so that the queue's order is also the order of the times.
        std::lock_guard lock(m_mutex);
        m_queue.push_back(Notification{message, wParam, connection, Now()});
    }
    m_posted.notify_all();
}

std::optional<Notification> CNotificationQueue::Pop(Clock::time_point deadline) {
    return PopMatching([](const Notification&) { return true; }, deadline);
}

std::optional<Notification> CNotificationQueue::Pop(std::chrono::milliseconds timeout) {
    return Pop(Clock::now() + timeout);
}

std::optional<Notification>
CNotificationQueue::PopMatching(const std::function<bool(const Notification&)>& match,
                                Clock::time_point deadline) {
    std::unique_lock lock(m_mutex);
    std::deque<Notification>::iterator found;
    const auto present = [&] {
        found = std::find_if(m_queue.begin(), m_queue.end(), match);
        return found != m_queue.end();
    };
    if (!m_posted.wait_until(lock, deadline, present)) {
        return std::nullopt;
    }
    Notification taken = *found;
    m_queue.erase(found);
    return taken;
}

std::optional<Notification> CNotificationQueue::PopMessage(unsigned message,
                                                           std::chrono::milliseconds timeout) {
    return PopMatching([message](const Notification& n) { return n.Message == message; },
                       Clock::now() + timeout);
}

std::vector<Notification> CNotificationQueue::Snapshot() const {
    std::lock_guard lock(m_mutex);
    return {m_queue.begin(), m_queue.end()};
}

std::size_t CNotificationQueue::Count(unsigned message) const {
    std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(
        std::count_if(m_queue.begin(), m_queue.end(),
                      [message](const Notification& n) { return n.Message == message; }));
}

std::size_t CNotificationQueue::Size() const {
    std::lock_guard lock(m_mutex);
    return m_queue.size();
}

void CNotificationQueue::Clear() {
    std::lock_guard lock(m_mutex);
    m_queue.clear();
}
