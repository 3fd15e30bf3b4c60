#pragma once

#include <ctime>

// Which readings go into the log: every one (LOG_CONTINUOUS), those whose match status turns
// to a new match (LOG_ON_MATCH), or one per interval (LOG_ON_INTERVAL). The state lives as long
// as its owner, across runs of logging: stopping and starting again keeps the last match
// status and the time the next interval record is due.
class CLogTrigger {
public:
    // Every reading, logging or not: the first one makes an interval record due at once.
    void Notice(std::time_t now);
    // The activity character turning at each reading logged: | / - \ and round again.
    char Advance();
    // Whether this reading is recorded; remembers its status and, when it is, when the next
    // interval record is due.
    bool Take(int mode, int intervalSeconds, unsigned status, std::time_t now);

private:
    char m_activity = '|';
    long long m_lastStatus = -1; // none yet
    std::time_t m_nextInterval = 0;
    bool m_noticed = false;
};
