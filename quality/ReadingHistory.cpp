#include "quality/ReadingHistory.h"

#include <algorithm>

namespace {

std::uint16_t StoredCount(double raw) {
    return static_cast<std::uint16_t>(std::clamp(raw, 0.0, 65535.0));
}

} // namespace

HistoryEntry MakeHistoryEntry(std::chrono::steady_clock::time_point arrival,
                              std::chrono::system_clock::time_point wall,
                              const CurrentReading& reading) {
    const RawRgb raw = RawOfReading(reading);
    return {arrival,
            wall,
            {StoredCount(raw[0]), StoredCount(raw[1]), StoredCount(raw[2])},
            static_cast<std::uint8_t>(reading.MatchStatus & 0xFF)};
}

RawRgb RawOfEntry(const HistoryEntry& entry) {
    return {double(entry.Raw[0]), double(entry.Raw[1]), double(entry.Raw[2])};
}

CReadingHistory::CReadingHistory(std::size_t capacity)
    : m_capacity(std::max<std::size_t>(capacity, 1)) {
}

void CReadingHistory::Add(HistoryEntry entry) {
    if (!m_entries.empty()) {
        entry.Arrival = std::max(entry.Arrival, At(Size() - 1).Arrival);
    }
    if (m_entries.size() < m_capacity) {
        m_entries.push_back(entry);
        return;
    }
    m_entries[m_oldest] = entry;
    m_oldest = (m_oldest + 1) % m_capacity;
}

void CReadingHistory::Clear() {
    m_entries.clear();
    m_oldest = 0;
}

const HistoryEntry& CReadingHistory::At(std::size_t index) const {
    return m_entries[(m_oldest + index) % m_entries.size()];
}

std::size_t CReadingHistory::FirstSince(std::chrono::steady_clock::time_point from) const {
    std::size_t low = 0;
    std::size_t high = Size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (At(middle).Arrival < from) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

std::vector<HistoryEntry> CReadingHistory::Since(std::chrono::steady_clock::time_point from) const {
    std::vector<HistoryEntry> entries;
    for (std::size_t i = FirstSince(from); i < Size(); ++i) {
        entries.push_back(At(i));
    }
    return entries;
}
