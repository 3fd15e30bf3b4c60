#include "panel/ControllerCalls.h"

#include <algorithm>
#include <utility>

#include "sensor/NotifyTarget.h"

CControllerCalls::CControllerCalls(std::function<bool()> mayGoOn) : m_mayGoOn(std::move(mayGoOn)) {
}

void CControllerCalls::Start(const Call& first) {
    m_started = true;
    Run(false, first);
    RunWaiting();
}

void CControllerCalls::Action(Call call) {
    Submit(false, std::move(call));
}

void CControllerCalls::Notification(unsigned message, Call call) {
    Submit(message == WM_SENSOR_DATA, std::move(call));
}

void CControllerCalls::RunNow(const Call& call) {
    Run(false, call);
}

void CControllerCalls::Forget() {
    m_waiting.clear();
}

void CControllerCalls::Submit(bool reading, Call call) {
    if (!MayRunNow(reading)) {
        // The reading handler shows the proxy's latest reading, whichever notification brought
        // it: a second waiting reading would only show and log the same one again.
        const bool readingWaits =
            std::any_of(m_waiting.begin(), m_waiting.end(),
                        [](const Pending& waiting) { return waiting.Reading; });
        if (!reading || !readingWaits) {
            m_waiting.push_back({reading, std::move(call)});
        }
        return;
    }
    const bool outermost = m_depth == 0;
    Run(reading, call);
    if (outermost) {
        RunWaiting();
    }
}

bool CControllerCalls::MayRunNow(bool reading) const {
    return m_started && (m_depth == 0 || (reading && !m_readingRunning));
}

void CControllerCalls::Run(bool reading, const Call& call) {
    ++m_depth;
    const bool outerReading = m_readingRunning;
    m_readingRunning = m_readingRunning || reading;
    call();
    m_readingRunning = outerReading;
    --m_depth;
}

void CControllerCalls::RunWaiting() {
    while (m_depth == 0 && !m_waiting.empty() && (!m_mayGoOn || m_mayGoOn())) {
        Pending next = std::move(m_waiting.front());
        m_waiting.pop_front();
        Run(next.Reading, next.Run);
    }
}
