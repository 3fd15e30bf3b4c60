#include "sensor/Sensor.h"

#include <cerrno>
#include <system_error>
#include <utility>

// Set-up, the link and the notification target. Requests, timers, replies and the receive
// thread live in SensorRequests.cpp, SensorPolling.cpp, SensorReplies.cpp and
// SensorReceive.cpp.

CSensor::CSensor(TimerSource* timers) : m_timers(timers != nullptr ? *timers : m_ownTimers) {
}

// The owner disconnects first; this also covers an owner that did not, because a running
// receive thread or timer would otherwise outlive the object it works on.
CSensor::~CSensor() {
    StopIdentifyPolling();
    StopDataPolling();
    Disconnect();
}

void CSensor::SetWallClock(WallClock clock) {
    m_wallClock = std::move(clock);
}

void CSensor::SetWindow(NotifyTarget* target) {
    std::unique_lock lock(m_targetMutex);
    m_target = target;
    m_postsDone.wait(lock, [this] { return m_postsInFlight == 0; });
}

// The target's Post runs without any of the proxy's locks held, so a target may take its own
// locks freely; the in-flight count is what lets SetWindow hand the old target back safely.
void CSensor::Notify(unsigned message, std::uintptr_t wParam) {
    NotifyTarget* target = nullptr;
    {
        std::lock_guard lock(m_targetMutex);
        target = m_target;
        if (target == nullptr) {
            return;
        }
        ++m_postsInFlight;
    }
    target->PostFrom(m_connection, message, wParam);
    std::lock_guard lock(m_targetMutex);
    if (--m_postsInFlight == 0) {
        m_postsDone.notify_all();
    }
}

bool CSensor::Connect(const std::string& portName, std::chrono::milliseconds inUseRetry) {
    std::lock_guard lock(m_portMutex);
    if (m_running || m_receiveThread.joinable()) {
        m_lastPortError = EBUSY;
        return false;
    }
    // Counted before the open: whatever the previous connection left queued is older than
    // this one, whether the open succeeds or not.
    ++m_connection;
    if (!m_port.Open(portName, inUseRetry)) {
        m_lastPortError = m_port.LastError();
        return false;
    }
    m_portName = portName;
    m_failedReads = 0;
    m_linkUp = true;
    m_running = true;
    {
        std::lock_guard wakeLock(m_wakeMutex);
        m_receiveEnded = false;
    }
    // std::thread reports a failure to start only by throwing.
    try {
        m_receiveThread = std::thread([this] { ReceiveLoop(); });
    } catch (const std::system_error& error) {
        m_running = false;
        m_linkUp = false;
        m_port.Close();
        m_lastPortError = static_cast<std::uint32_t>(error.code().value());
        return false;
    }
    return true;
}

// Not under the port lock, which Connect holds for the whole of its open.
void CSensor::CancelConnect() {
    m_port.CancelOpen();
}

// Whatever state the link is in (up, hung up and waiting to re-open, or half-way through a
// write to a stalled device), afterwards no thread or timer of this connection runs.
bool CSensor::Disconnect() {
    bool result = true;
    StopIdentifyPolling();
    StopDataPolling();
    StopReplyTimer();
    m_running = false;
    // A writer blocked on a device that takes no more bytes holds the port lock; closing the
    // port (which has its own lock) wakes it, so the lock below is not held for its deadline.
    m_port.Close();
    {
        std::lock_guard lock(m_portMutex);
        // The receive thread checks the running flag under this lock before it re-opens a
        // hung-up device: a re-open that began before the flag was cleared is closed here, and
        // none can follow.
        m_linkUp = false;
        if (m_port.IsOpen()) {
            result = m_port.Close();
        }
    }
    WakeReceiveThread();
    if (m_receiveThread.joinable()) {
        if (!WaitForReceiveThread(DISCONNECT_WAIT_MS)) {
            result = false;
        }
        // A std::thread cannot be ended from outside, and this one works on this object: it is
        // waited for even past the limit rather than left running. Close wakes its Read, so in
        // practice it ends within milliseconds.
        m_receiveThread.join();
    }
    ClearPending();
    return result;
}

// From a successful Connect until Disconnect, also while a hung-up device is being re-opened:
// the connection's thread and timers run, and only Disconnect ends them.
bool CSensor::IsConnected() const {
    return m_running;
}

bool CSensor::IsLinkUp() const {
    return m_linkUp;
}

std::uint64_t CSensor::Connection() const {
    return m_connection;
}

std::uint32_t CSensor::LastPortError() const {
    return m_lastPortError;
}
