#include "cli/PublishLine.h"

#include <chrono>
#include <thread>

#include "cli/CtlCommands.h"
#include "cli/CtlLog.h"
#include "cli/CtlStats.h"
#include "cli/SensorJson.h"

namespace {

constexpr const char* PROGRAM = "spectrelctl: ";
// Between attempts to open a device that is not there (yet).
constexpr std::chrono::milliseconds OPEN_PAUSE{1000};
constexpr std::chrono::milliseconds STOP_CHECK{100};

} // namespace

CPublishLine::CPublishLine(std::string device, const CtlOptions& options, TopicNames topics,
                           MqttSession& broker, std::ostream& err, const std::atomic<bool>& stop)
    : m_device(std::move(device)), m_periodMs(options.PeriodMs), m_timeout(options.TimeoutMs),
      m_broker(broker), m_err(err), m_stop(stop),
      m_publisher(std::move(topics),
                  options.Publish.Discovery ? options.Publish.DiscoveryPrefix : std::string()) {
}

void CPublishLine::Run() {
    CCtlSession session(m_device, m_stop);
    if (!Open(session)) {
        return;
    }
    CtlOutcome outcome = session.Identify(m_timeout);
    while (outcome.Exit != CTL_EXIT_INTERRUPTED) {
        outcome = outcome.Done() ? PublishUntilLost(session)
                                 : FindSensorAgain(session, outcome.Message, m_err);
    }
}

// The sensor just identified: read, on line, polled until it is lost (the outcome says how).
CtlOutcome CPublishLine::PublishUntilLost(CCtlSession& session) {
    SensorSnapshot snapshot;
    CtlOutcome outcome = ReadSnapshot(session, snapshot);
    if (outcome.Done()) {
        m_err << PROGRAM << m_device << ": sensor " << snapshot.Identity.SerialNumber
              << " answers; publishing\n";
        {
            const std::lock_guard lock(m_mutex);
            Publish(m_publisher.OnContact(std::move(snapshot)));
        }
        outcome = Poll(session);
    }
    if (outcome.Exit != CTL_EXIT_INTERRUPTED) {
        const std::lock_guard lock(m_mutex);
        Publish(m_publisher.OnLoss());
    }
    return outcome;
}

void CPublishLine::Republish() {
    const std::lock_guard lock(m_mutex);
    Publish(m_publisher.Retained());
}

std::vector<MqttMessage> CPublishLine::Offline() const {
    const std::lock_guard lock(m_mutex);
    return m_publisher.Offline();
}

// A device that cannot be opened may be plugged in later: a service keeps trying.
bool CPublishLine::Open(CCtlSession& session) {
    bool told = false;
    for (;;) {
        const CtlOutcome outcome = session.Connect();
        if (outcome.Done()) {
            return true;
        }
        if (outcome.Exit == CTL_EXIT_INTERRUPTED) {
            return false;
        }
        if (!told) {
            m_err << PROGRAM << outcome.Message << "; trying again\n";
            told = true;
        }
        for (auto waited = std::chrono::milliseconds(0); waited < OPEN_PAUSE && !m_stop;
             waited += STOP_CHECK) {
            std::this_thread::sleep_for(STOP_CHECK);
        }
    }
}

// What the `--json` identify, settings and channels commands print, read afresh.
CtlOutcome CPublishLine::ReadSnapshot(CCtlSession& session, SensorSnapshot& snapshot) {
    const CSensor& sensor = session.Sensor();
    CtlOutcome outcome = ReadVersion(session);
    if (outcome.Done()) {
        outcome = ReadSettings(session);
    }
    std::vector<NumberedChannel> channels;
    for (unsigned channel = 1; outcome.Done() && channel <= ChannelCountOf(sensor.GetModelCode());
         ++channel) {
        outcome = ReadChannel(session, channel);
        channels.push_back(ChannelAsRead(sensor, channel));
    }
    if (!outcome.Done()) {
        return outcome;
    }
    snapshot.Identity = IdentityOf(sensor);
    JsonValue identity = IdentityJson(snapshot.Identity);
    identity["device"] = m_device;
    snapshot.IdentityText = JsonText(identity);
    snapshot.SettingsText = JsonText(SettingsJson(SettingsOf(sensor)));
    snapshot.ChannelsText = JsonText(ChannelsJson(channels));
    m_channels.clear();
    for (const NumberedChannel& channel : channels) {
        m_channels.push_back(channel.Channel);
    }
    return {};
}

// Readings until the sensor is lost (the outcome says how) or a stop is asked for.
CtlOutcome CPublishLine::Poll(CCtlSession& session) {
    CSensor& sensor = session.Sensor();
    if (!sensor.StartDataPolling(m_periodMs)) {
        return {CTL_EXIT_NO_ANSWER, m_device + ": cannot start polling"};
    }
    const auto limit = DataWaitLimit(m_periodMs);
    for (;;) {
        const CtlOutcome outcome = session.Await(WM_SENSOR_DATA, std::nullopt, "the data request",
                                                 CCtlSession::Clock::now() + limit);
        if (outcome.Exit == CTL_EXIT_INTERRUPTED || outcome.Exit == CTL_EXIT_NO_ANSWER) {
            return outcome;
        }
        if (!outcome.Done()) {
            continue; // an error reply to one poll: the next one may be answered
        }
        const CurrentReading reading{sensor.GetRed(), sensor.GetGreen(), sensor.GetBlue(),
                                     sensor.GetMatchStatus()};
        // The reading as monitor --json --margins prints it: each enabled channel's margin.
        const std::string text =
            WithMargins(JsonText(ReadingJson(std::chrono::system_clock::now(), reading)),
                        m_channels, reading, true);
        const std::lock_guard lock(m_mutex);
        Publish(m_publisher.OnReading(text, reading.MatchStatus));
    }
}

// Called with the mutex held. The session drops what the broker cannot take now (it counts
// them): readings are not queued while the broker is away, retained topics follow at connect.
void CPublishLine::Publish(const std::vector<MqttMessage>& messages) {
    for (const MqttMessage& message : messages) {
        m_broker.Publish(message);
    }
}
