#pragma once

#include <chrono>
#include <string>

// Follows a data log file as it grows and checks every record it finds: a line of local date
// and time, red, green and blue, and the match status in hex, ended by CR LF. A line that does
// not have that shape is a broken record.
class LogWatch {
public:
    using Clock = std::chrono::steady_clock;

    explicit LogWatch(std::string path) : m_path(std::move(path)) {}

    // Reads what was added since the last call.
    void Poll();

    int Records() const { return m_records; }
    int Broken() const { return m_broken; }
    const std::string& FirstBroken() const { return m_firstBroken; }
    // When the last good record was found (by Poll).
    Clock::time_point LastRecordAt() const { return m_lastRecordAt; }

    static bool IsRecord(const std::string& line); // without its CR LF

private:
    void Check(const std::string& line);

    std::string m_path;
    long long m_offset = 0;
    std::string m_partial; // a record still being written
    int m_records = 0;
    int m_broken = 0;
    std::string m_firstBroken;
    Clock::time_point m_lastRecordAt{};
};
