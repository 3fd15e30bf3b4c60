#include "sensor/NotifyRelay.h"

void CNotifyRelay::Post(unsigned message, std::uintptr_t wParam) {
    // Holding the lock through the forwarded Post is what lets Forward wait for it; the
    // forwarded target only queues and returns.
    const std::lock_guard lock(m_mutex);
    if (m_target != nullptr) {
        m_target->Post(message, wParam);
    }
}

void CNotifyRelay::Forward(NotifyTarget* target) {
    const std::lock_guard lock(m_mutex);
    m_target = target;
}
