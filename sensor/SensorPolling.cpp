#include "sensor/Sensor.h"

#include <algorithm>

// Identify polling, data polling and the reply timer. Their ticks run on the timer service's
// thread; Kill waits for a running tick, so once a Stop returns no tick of it is under way.

namespace {

// A period above the budget would give a limit of 0, which the equality test meets on every
// answered tick: at least one miss is needed before a time-out.
unsigned DataMissedLimit(unsigned periodMs) {
    return std::max(1u, CSensor::DATA_MISSED_BUDGET_MS / periodMs);
}

} // namespace

bool CSensor::StartIdentifyPolling(unsigned periodMs) {
    if (m_identifyTimer != 0 || m_identifyPolling) {
        return false;
    }
    const TimerId id = m_timers.Start(periodMs, [this] { IdentifyTick(); });
    if (id == 0) {
        return false;
    }
    m_identifyTimer = id;
    RequestIdentity();
    m_identifyPolling = true;
    return true;
}

bool CSensor::StopIdentifyPolling() {
    m_identifyPolling = false;
    const TimerId id = m_identifyTimer.exchange(0);
    if (id == 0) {
        return false;
    }
    m_timers.Kill(id);
    return true;
}

bool CSensor::IsIdentifyPolling() const {
    return m_identifyPolling;
}

// A second start replaces the first timer instead of leaving it running out of reach.
bool CSensor::StartDataPolling(unsigned periodMs) {
    if (periodMs == 0) {
        return false;
    }
    StopDataPolling();
    m_dataPeriod = periodMs;
    const TimerId id = m_timers.Start(periodMs, [this] { DataTick(); });
    if (id == 0) {
        m_dataPeriod = 0;
        return false;
    }
    m_dataTimer = id;
    RequestCurrentData();
    m_dataPolling = true;
    return true;
}

bool CSensor::StopDataPolling() {
    m_dataPeriod = 0;
    m_dataPolling = false;
    const TimerId id = m_dataTimer.exchange(0);
    if (id == 0) {
        return false;
    }
    m_timers.Kill(id);
    return true;
}

bool CSensor::IsDataPolling() const {
    return m_dataPolling;
}

// The time-out comes once per run of silence: on the first tick that finds the count at its
// limit or beyond. Polls asked for between ticks (polling started again after a read) add to
// the count too, so it may pass the limit without a tick having seen it there.
void CSensor::PostTimeoutOnce(unsigned limit, std::atomic<bool>& posted, SensorTimeout kind) {
    if (m_missedCount >= limit && !posted.exchange(true)) {
        Notify(WM_SENSOR_TIMEOUT, kind);
    }
}

void CSensor::IdentifyTick() {
    if (!m_identifyPolling) {
        return;
    }
    PostTimeoutOnce(IDENTIFY_MISSED_LIMIT, m_identifyTimeoutPosted, SENSOR_TIMEOUT_IDENTIFY);
    RequestIdentity();
}

void CSensor::DataTick() {
    const unsigned period = m_dataPeriod;
    if (!m_dataPolling || period == 0) {
        return;
    }
    PostTimeoutOnce(DataMissedLimit(period), m_dataTimeoutPosted, SENSOR_TIMEOUT_DATA);
    RequestCurrentData();
}

bool CSensor::StartReplyTimer(unsigned periodMs) {
    if (periodMs == 0 || m_replyTimer != 0) {
        return false;
    }
    m_replyTimerActive = true;
    const TimerId id = m_timers.Start(periodMs, [this] { ReplyTick(); });
    TimerId none = 0;
    if (id == 0 || !m_replyTimer.compare_exchange_strong(none, id)) {
        m_timers.Kill(id);
        m_replyTimerActive = false;
        return false;
    }
    return true;
}

void CSensor::StopReplyTimer() {
    m_replyTimerActive = false;
    const TimerId id = m_replyTimer.exchange(0);
    if (id != 0) {
        m_timers.Kill(id);
    }
}

// Error replies re-send too and count against the same limit, so the count may reach it
// between two ticks; the tick that finds no retry left reports the time-out.
void CSensor::ReplyTick() {
    if (!m_replyTimerActive) {
        return;
    }
    // Whoever clears the active flag reports the time-out: this tick, or a re-open after a
    // hang-up that gives the request up at the same moment.
    if (!Resend() && m_replyTimerActive.exchange(false)) {
        StopReplyTimer();
        Notify(WM_SENSOR_TIMEOUT, SENSOR_TIMEOUT_REPLY);
    }
}
