#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "profile/Preferences.h"
#include "quality/ChannelColour.h"

// The readings the Trend window looks back on, in memory and bounded: at most an hour of them
// at the shortest polling period the panel allows; beyond that the oldest go first.

inline constexpr std::chrono::minutes HISTORY_SPAN{60};
inline constexpr std::size_t HISTORY_CAPACITY =
    (std::chrono::milliseconds(HISTORY_SPAN).count() + MIN_POLLING_PERIOD_MS - 1) /
    MIN_POLLING_PERIOD_MS;

struct HistoryEntry {
    std::chrono::steady_clock::time_point Arrival; // spans and trends: never jumps
    std::chrono::system_clock::time_point Wall;    // the time saved data shows
    std::array<std::uint16_t, 3> Raw{};            // raw counts, red, green, blue
    std::uint8_t MatchStatus = 0;
};

HistoryEntry MakeHistoryEntry(std::chrono::steady_clock::time_point arrival,
                              std::chrono::system_clock::time_point wall,
                              const CurrentReading& reading);
RawRgb RawOfEntry(const HistoryEntry& entry);

class CReadingHistory {
public:
    explicit CReadingHistory(std::size_t capacity = HISTORY_CAPACITY);

    // An entry that arrived before the newest one is filed at the newest one's time, so the
    // history stays in arrival order.
    void Add(HistoryEntry entry);
    void Clear();

    std::size_t Size() const { return m_entries.size(); }
    std::size_t Capacity() const { return m_capacity; }
    // 0 is the oldest entry held; index < Size().
    const HistoryEntry& At(std::size_t index) const;

    // The index of the first entry that arrived at or after `from`; Size() when none did.
    std::size_t FirstSince(std::chrono::steady_clock::time_point from) const;
    std::vector<HistoryEntry> Since(std::chrono::steady_clock::time_point from) const;

private:
    std::size_t m_capacity;
    std::vector<HistoryEntry> m_entries; // a ring once full: m_oldest is index 0
    std::size_t m_oldest = 0;
};
