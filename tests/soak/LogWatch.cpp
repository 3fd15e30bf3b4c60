#include "LogWatch.h"

#include <fstream>
#include <regex>

bool LogWatch::IsRecord(const std::string& line) {
    static const std::regex record(
        R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d [AP]M(,( \d|\d\d|100)\.\d){3},[0-9A-F]{2})");
    return std::regex_match(line, record);
}

void LogWatch::Poll() {
    std::ifstream file(m_path, std::ios::binary);
    if (!file) {
        return;
    }
    file.seekg(0, std::ios::end);
    const long long size = file.tellg();
    if (size < m_offset) {
        // Overwritten from the start: a new log.
        m_offset = 0;
        m_partial.clear();
    }
    file.seekg(m_offset);
    std::string added(static_cast<std::size_t>(size - m_offset), '\0');
    file.read(added.data(), static_cast<std::streamsize>(added.size()));
    added.resize(static_cast<std::size_t>(file.gcount()));
    m_offset += static_cast<long long>(added.size());
    m_partial += added;
    std::size_t end = 0;
    while ((end = m_partial.find('\n')) != std::string::npos) {
        std::string line = m_partial.substr(0, end + 1);
        m_partial.erase(0, end + 1);
        Check(line);
    }
}

void LogWatch::Check(const std::string& line) {
    const bool endsRight = line.size() >= 2 && line[line.size() - 2] == '\r';
    if (endsRight && IsRecord(line.substr(0, line.size() - 2))) {
        ++m_records;
        m_lastRecordAt = Clock::now();
        return;
    }
    if (++m_broken == 1) {
        m_firstBroken = line;
    }
}
