#include "support/RecordingTarget.h"

void RecordingTarget::SetProbe(std::function<std::uint64_t()> probe) {
    std::lock_guard lock(m_mutex);
    m_probe = std::move(probe);
}

void RecordingTarget::PostFrom(std::uint64_t connection, unsigned message, std::uintptr_t wParam) {
    {
        std::lock_guard lock(m_mutex);
        m_log.push_back({message, wParam, m_probe ? m_probe() : 0});
    }
    CNotificationQueue::PostFrom(connection, message, wParam);
}

std::size_t RecordingTarget::Posted(unsigned message, std::optional<std::uintptr_t> wParam) const {
    return ProbesOf(message, wParam).size();
}

std::vector<std::uint64_t> RecordingTarget::ProbesOf(unsigned message,
                                                     std::optional<std::uintptr_t> wParam) const {
    std::lock_guard lock(m_mutex);
    std::vector<std::uint64_t> figures;
    for (const Entry& post : m_log) {
        if (post.Message == message && (!wParam || post.WParam == *wParam)) {
            figures.push_back(post.Figure);
        }
    }
    return figures;
}
