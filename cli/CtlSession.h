#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "sensor/NotificationQueue.h"
#include "sensor/Sensor.h"

// Exit codes of spectrelctl.
enum CtlExit : int {
    CTL_EXIT_DONE = 0,
    CTL_EXIT_USAGE = 2,
    CTL_EXIT_PORT = 3,
    CTL_EXIT_NO_ANSWER = 4,
    CTL_EXIT_SENSOR_ERROR = 5,
    CTL_EXIT_INTERRUPTED = 130,
};

// How a step ended: done, or an exit code with the message to show.
struct CtlOutcome {
    int Exit = CTL_EXIT_DONE;
    std::string Message;

    bool Done() const { return Exit == CTL_EXIT_DONE; }
};

// One conversation with one sensor through CSensor: connect, find the sensor, then requests
// answered one at a time. Each request waits for its own notification; a time-out, an error
// reply or a stop request ends the wait with the matching outcome.
class CCtlSession {
public:
    using Clock = std::chrono::steady_clock;

    // `stop` is polled while waiting (set by SIGINT/SIGTERM). The proxy takes its polling
    // periods and time-outs from `timers` when given (it must outlive the session), otherwise
    // from the steady clock.
    CCtlSession(std::string device, const std::atomic<bool>& stop, TimerSource* timers = nullptr);
    // Stops both polls, forgets what is pending (no re-sends) and disconnects.
    ~CCtlSession();
    CCtlSession(const CCtlSession&) = delete;
    CCtlSession& operator=(const CCtlSession&) = delete;

    // Opens the device; a remote server still busy with its previous client is tried again
    // until `timeout` has passed. The stop flag cuts a slow open (connect, negotiation) short.
    CtlOutcome Connect(std::chrono::milliseconds timeout = std::chrono::milliseconds(0));
    // Identify polling until the sensor answers, for at most `timeout`.
    CtlOutcome Identify(std::chrono::milliseconds timeout);
    // Calls `request` (a CSensor request) and waits for `reply`, with wParam `channel` when
    // given. `what` names the request in messages ("the settings request").
    CtlOutcome Exchange(const std::function<bool()>& request, unsigned reply,
                        std::optional<std::uintptr_t> channel, std::string_view what);
    // Reads `channel`, asking again (a few times) when the reply that came addressed another
    // channel: a late answer to an earlier request.
    CtlOutcome ReadChannel(unsigned channel, std::string_view what);
    // Waits for the next notification `message` (data polling), or a failure, until `deadline`.
    CtlOutcome Await(unsigned message, std::optional<std::uintptr_t> channel, std::string_view what,
                     Clock::time_point deadline);

    CSensor& Sensor() { return m_sensor; }
    const std::string& Device() const { return m_device; }

    // The longest a reply can take before the proxy itself reports its time-out.
    static std::chrono::milliseconds ReplyLimit(unsigned reply);

private:
    CtlOutcome Refused(std::string_view what) const;

    std::string m_device;
    const std::atomic<bool>& m_stop;
    CNotificationQueue m_queue;
    CSensor m_sensor; // declared after the queue: it posts to it until it is gone
};
