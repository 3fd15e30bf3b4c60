#include "sensor/Sensor.h"

#include "sensor/ThreadPriority.h"

#include <cstring>

// The receive thread: reads reply lines, hands them to ProcessLine, and looks after a device
// that hangs up.
//
// Re-opening a hung-up device. A pulled USB adapter or a closed pseudo-terminal makes every
// read fail, and keeps it failing. After HANG_UP_FAILED_READS failed reads in a row (a damaged
// line fails once and is followed by good ones) the receive thread alone handles that: it
// closes the port and then tries to open the same device path every REOPEN_INTERVAL until it
// succeeds or the proxy disconnects. Its pauses are kept on the proxy's timer source too, whose
// tick only wakes it: the opens themselves stay on this thread, so a slow one (a remote line's
// connect) never holds up a poll. It needs no help from the other threads because
//  - the close and every open attempt happen under the port lock, which every write also
//    holds, so a tick of the timer thread never writes to a port half closed or half opened;
//    while the device is gone the link is marked down and writes are refused (a refused poll
//    counts as missed, so polling reports the loss as a time-out as usual);
//  - the thread checks the running flag under the same lock before each attempt, and
//    Disconnect takes that lock after clearing the flag and closes whatever is open then, so
//    no re-open outlives Disconnect;
//  - the thread is the port's only reader, so no Read runs while it closes or opens.
// Identify polling goes on writing "!i" through all this, and finds a re-plugged sensor as soon
// as its device is back, without the user having to reset anything. A request waiting for its
// answer, or else data polling, is told of the re-open as a time-out, since the device may now
// hold another sensor.

namespace {

// The port hands over a line as text ended by a zero byte (its CR replaced, so the count
// includes that position). Only the first of several lines that arrived together is
// interpreted; the request whose answer is lost is repeated by its timer.
std::string FirstLine(const char* buffer, std::uint32_t bytesRead) {
    const std::size_t text = ::strnlen(buffer, bytesRead);
    const void* cr = std::memchr(buffer, '\r', text);
    return std::string(buffer, cr == nullptr ? text : static_cast<const char*>(cr) - buffer);
}

} // namespace

void CSensor::ReceiveLoop() {
    RaiseThreadPriority();
    std::array<char, READ_CAPACITY + 4> buffer{};
    while (m_running) {
        std::uint32_t bytesRead = 0;
        if (m_port.Read(buffer.data(), READ_CAPACITY, bytesRead)) {
            m_failedReads = 0;
            ProcessLine(FirstLine(buffer.data(), bytesRead));
        } else if (m_running) {
            HandleReadFailure();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::lock_guard lock(m_wakeMutex);
    m_receiveEnded = true;
    m_wake.notify_all();
}

// Failed reads are reported at most every READ_FAILURE_SPACING, so a port that keeps failing
// cannot flood the target; a hung-up one stops reporting altogether while it is re-opened.
void CSensor::HandleReadFailure() {
    Notify(WM_SENSOR_READ_ERROR);
    if (++m_failedReads >= HANG_UP_FAILED_READS) {
        m_failedReads = 0;
        ReopenAfterHangUp();
        return;
    }
    PauseWhileRunning(READ_FAILURE_SPACING);
}

void CSensor::ReopenAfterHangUp() {
    {
        std::lock_guard lock(m_portMutex);
        if (!m_running) {
            return;
        }
        m_linkUp = false;
        m_port.Close();
    }
    bool opened = false;
    while (!opened && PauseWhileRunning(REOPEN_INTERVAL)) {
        std::lock_guard lock(m_portMutex);
        opened = m_running && m_port.Open(m_portName);
    }
    if (opened) {
        LinkUpAfterReopen();
    }
}

// A sensor unplugged and another plugged in before a time-out would otherwise go on being read
// as the one before: its serial number never asked for, a read finished with the new sensor's
// answers, a Send All writing the old sensor's values into it. So the re-open is reported as the
// loss it is: to a request still waiting for its answer (it is not sent again, to a sensor that
// was never asked) or else to data polling, once per outage (a long one has timed out already).
// The link stays down until the request is given up, so no re-send slips in between.
void CSensor::LinkUpAfterReopen() {
    const bool requestWaited = m_replyTimerActive.exchange(false);
    if (requestWaited) {
        StopReplyTimer(); // outside the port lock: a running tick may be waiting for it
    }
    {
        std::lock_guard lock(m_portMutex);
        if (!m_running) {
            return; // Disconnect closes what was opened
        }
        m_linkUp = true;
    }
    if (requestWaited) {
        Notify(WM_SENSOR_TIMEOUT, SENSOR_TIMEOUT_REPLY);
    } else if (m_dataPolling && !m_dataTimeoutPosted.exchange(true)) {
        Notify(WM_SENSOR_TIMEOUT, SENSOR_TIMEOUT_DATA);
    }
}

// Sleeps for the duration unless Disconnect wakes it; true while the proxy is still running.
// The pause ends at the first of its tick on the proxy's timer source and its duration on the
// steady clock. In the programs the two are the same moment; a clock a test moves on by hand
// ends it as soon as that clock has passed the duration, and one left standing (or a timer that
// cannot start) holds it no longer than the steady clock would.
bool CSensor::PauseWhileRunning(std::chrono::milliseconds duration) {
    {
        std::lock_guard lock(m_wakeMutex);
        m_pauseOver = false;
    }
    const TimerId timer =
        m_timers.Start(static_cast<unsigned>(duration.count()), [this] { EndPause(); });
    {
        std::unique_lock lock(m_wakeMutex);
        m_wake.wait_for(lock, duration, [this] { return m_pauseOver || !m_running; });
    }
    m_timers.Kill(timer); // before the next pause starts its own
    return m_running;
}

void CSensor::EndPause() {
    std::lock_guard lock(m_wakeMutex);
    m_pauseOver = true;
    m_wake.notify_all();
}

// The running flag is cleared before this; taking the lock between that and the notification
// keeps a pause that checked the flag just before from sleeping through the wake-up.
void CSensor::WakeReceiveThread() {
    std::lock_guard lock(m_wakeMutex);
    m_wake.notify_all();
}

bool CSensor::WaitForReceiveThread(unsigned timeoutMs) {
    std::unique_lock lock(m_wakeMutex);
    return m_wake.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return m_receiveEnded; });
}
