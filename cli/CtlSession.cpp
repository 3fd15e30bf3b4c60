#include "cli/CtlSession.h"

#include <algorithm>
#include <future>
#include <thread>

#include "common/ErrorText.h"

namespace {

// The period the control panel polls for a sensor with.
constexpr unsigned IDENTIFY_PERIOD_MS = 500;
// How often a wait looks at the stop flag: the delay of SIGINT/SIGTERM taking effect.
constexpr std::chrono::milliseconds STOP_CHECK{100};
// Beyond the proxy's own time-out, in case a notification never comes.
constexpr std::chrono::milliseconds REPLY_MARGIN{2000};
// Each late reply to an earlier request costs one more request; more than a couple of them in
// a row means the line is not sorting itself out.
constexpr unsigned CHANNEL_READ_ATTEMPTS = 3;

} // namespace

CCtlSession::CCtlSession(std::string device, const std::atomic<bool>& stop, TimerSource* timers)
    : m_device(std::move(device)), m_stop(stop), m_sensor(timers) {
}

// Whatever is still pending has been given up on: waiting for it would only delay the exit.
CCtlSession::~CCtlSession() {
    m_sensor.StopIdentifyPolling();
    m_sensor.StopDataPolling();
    m_sensor.ClearPending();
    m_sensor.Disconnect();
    m_sensor.SetWindow(nullptr);
}

CtlOutcome CCtlSession::Connect(std::chrono::milliseconds timeout) {
    m_sensor.SetWindow(&m_queue);
    std::promise<void> opened;
    // The open waits on the link's own cancel event, not on the stop flag: this watch turns
    // the one into the other while it runs.
    std::jthread watch([this, done = opened.get_future()] {
        while (done.wait_for(STOP_CHECK) == std::future_status::timeout) {
            if (m_stop) {
                m_sensor.CancelConnect();
            }
        }
    });
    const bool connected = m_sensor.Connect(m_device, timeout);
    opened.set_value();
    watch.join();
    if (m_stop) {
        return {CTL_EXIT_INTERRUPTED, "interrupted"};
    }
    if (!connected) {
        return {CTL_EXIT_PORT, PortErrorText("open", m_device, m_sensor.LastPortError())};
    }
    return {};
}

CtlOutcome CCtlSession::Identify(std::chrono::milliseconds timeout) {
    if (!m_sensor.StartIdentifyPolling(IDENTIFY_PERIOD_MS)) {
        return Refused("the identify request");
    }
    CtlOutcome outcome =
        Await(WM_SENSOR_IDENTITY, std::nullopt, "the identify request", Clock::now() + timeout);
    m_sensor.StopIdentifyPolling();
    return outcome;
}

CtlOutcome CCtlSession::Exchange(const std::function<bool()>& request, unsigned reply,
                                 std::optional<std::uintptr_t> channel, std::string_view what) {
    // After a stop nothing more goes to the sensor: what is reported as not sent was not.
    if (m_stop) {
        return {CTL_EXIT_INTERRUPTED, "interrupted"};
    }
    if (!request()) {
        return Refused(what);
    }
    return Await(reply, channel, what, Clock::now() + ReplyLimit(reply));
}

CtlOutcome CCtlSession::ReadChannel(unsigned channel, std::string_view what) {
    for (unsigned attempt = 0; attempt < CHANNEL_READ_ATTEMPTS; ++attempt) {
        CtlOutcome outcome = Exchange([&] { return m_sensor.RequestChannel(channel); },
                                      WM_SENSOR_CHANNEL, channel, what);
        if (!outcome.Done() || m_sensor.LastRepliedChannel() == channel) {
            return outcome;
        }
    }
    return {CTL_EXIT_NO_ANSWER, NoAnswerText(m_device, what)};
}

CtlOutcome CCtlSession::Await(unsigned message, std::optional<std::uintptr_t> channel,
                              std::string_view what, Clock::time_point deadline) {
    const unsigned unreadableBefore = m_sensor.UnreadableReplies();
    const auto noAnswer = [&]() -> CtlOutcome {
        if (m_sensor.UnreadableReplies() != unreadableBefore) {
            return {CTL_EXIT_NO_ANSWER, UnreadableAnswerText(m_device, what)};
        }
        return {CTL_EXIT_NO_ANSWER, NoAnswerText(m_device, what)};
    };
    for (;;) {
        if (m_stop) {
            return {CTL_EXIT_INTERRUPTED, "interrupted"};
        }
        const auto notification = m_queue.Pop(std::min(deadline, Clock::now() + STOP_CHECK));
        if (!notification) {
            if (Clock::now() >= deadline) {
                return noAnswer();
            }
            continue;
        }
        if (notification->Message == message && (!channel || notification->WParam == *channel)) {
            return {};
        }
        // Identify polling goes on after its time-out: the client's own deadline decides.
        if (notification->Message == WM_SENSOR_TIMEOUT &&
            notification->WParam != SENSOR_TIMEOUT_IDENTIFY) {
            return noAnswer();
        }
        if (notification->Message == WM_SENSOR_ERROR_REPLY) {
            return {CTL_EXIT_SENSOR_ERROR, SensorErrorText(m_device, what)};
        }
        // Anything else (a read error while the line recovers, a late answer to an earlier
        // poll) is not what this wait is about.
    }
}

std::chrono::milliseconds CCtlSession::ReplyLimit(unsigned reply) {
    const bool teach = reply == WM_SENSOR_TEACH;
    const unsigned period = teach ? CSensor::TEACH_REPLY_PERIOD_MS : CSensor::REPLY_PERIOD_MS;
    const unsigned writes = (teach ? CSensor::TEACH_RETRY_LIMIT : CSensor::REPLY_RETRY_LIMIT) + 1;
    return std::chrono::milliseconds(CSensor::IDLE_WAIT_MS + period * writes) + REPLY_MARGIN;
}

// A request the proxy would not write: the device went away (or refused the bytes) since it
// was opened.
CtlOutcome CCtlSession::Refused(std::string_view what) const {
    return {CTL_EXIT_PORT, PortErrorText("write " + std::string(what) + " to", m_device,
                                         m_sensor.LastPortError())};
}
