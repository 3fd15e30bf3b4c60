#include "sensor/NotifyRelay.h"

void CNotifyRelay::Post(unsigned message, std::uintptr_t wParam) {
    PostFrom(NO_CONNECTION, message, wParam);
}

void CNotifyRelay::PostFrom(std::uint64_t connection, unsigned message, std::uintptr_t wParam) {
    // Holding the lock through the forwarded post is what lets Forward wait for it; the
    // forwarded target only queues and returns.
    const std::lock_guard lock(m_mutex);
    if (m_target != nullptr) {
        m_target->PostFrom(connection, message, wParam);
    }
}

void CNotifyRelay::Forward(NotifyTarget* target) {
    const std::lock_guard lock(m_mutex);
    m_target = target;
}
