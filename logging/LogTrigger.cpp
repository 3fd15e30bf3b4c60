#include "logging/LogTrigger.h"

#include "logging/LogSettings.h"

void CLogTrigger::Notice(std::time_t now) {
    if (!m_noticed) {
        m_noticed = true;
        m_nextInterval = now - 1;
    }
}

char CLogTrigger::Advance() {
    switch (m_activity) {
    case '|':
        m_activity = '/';
        break;
    case '/':
        m_activity = '-';
        break;
    case '-':
        m_activity = '\\';
        break;
    default:
        m_activity = '|';
        break;
    }
    return m_activity;
}

bool CLogTrigger::Take(int mode, int intervalSeconds, unsigned status, std::time_t now) {
    bool due = false;
    if (mode == LOG_CONTINUOUS) {
        due = true;
    } else if (mode == LOG_ON_MATCH) {
        due = status != 0 && static_cast<long long>(status) != m_lastStatus;
    } else if (mode == LOG_ON_INTERVAL) {
        // A clock set back (by hand or by time synchronisation) would otherwise hold every
        // record back until it has caught up with the time the previous record was taken.
        due = now >= m_nextInterval || now < m_nextInterval - intervalSeconds;
    }
    if (due) {
        m_nextInterval = now + intervalSeconds;
    }
    m_lastStatus = status;
    return due;
}
