#include "LineExchanges.h"

#include "link/LineFormat.h"

void LineExchanges::Note(const std::string& line) {
    const auto arrow = line.find(" -> ");
    if (arrow == std::string::npos) {
        return;
    }
    // Both lines end with a CR on the wire.
    std::lock_guard lock(m_mutex);
    m_characters += arrow + 1 + (line.size() - arrow - 4) + 1;
    ++m_count;
}

void LineExchanges::Reset() {
    std::lock_guard lock(m_mutex);
    m_characters = 0;
    m_count = 0;
}

std::size_t LineExchanges::Characters() const {
    std::lock_guard lock(m_mutex);
    return m_characters;
}

std::size_t LineExchanges::Count() const {
    std::lock_guard lock(m_mutex);
    return m_count;
}

double LineExchanges::BoundMs(unsigned turnaroundMs) const {
    std::lock_guard lock(m_mutex);
    return static_cast<double>(m_characters) * LINE_CHARACTER_TIME.count() +
           static_cast<double>(m_count * turnaroundMs);
}
