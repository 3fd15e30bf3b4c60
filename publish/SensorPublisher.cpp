#include "publish/SensorPublisher.h"

#include <utility>

#include "publish/Discovery.h"

namespace {

constexpr int RETAINED_QOS = 1;
constexpr int READING_QOS = 0;

} // namespace

SensorPublisher::SensorPublisher(TopicNames topics, std::string discoveryPrefix)
    : m_topics(std::move(topics)), m_discoveryPrefix(std::move(discoveryPrefix)) {
}

std::vector<MqttMessage> SensorPublisher::OnContact(SensorSnapshot snapshot) {
    std::vector<MqttMessage> messages;
    if (m_online && m_snapshot->Identity.SerialNumber != snapshot.Identity.SerialNumber) {
        messages.push_back(Availability(false));
    }
    m_snapshot = std::move(snapshot);
    m_online = true;
    m_matchStatus.reset();
    AppendSensorTopics(messages);
    return messages;
}

std::vector<MqttMessage> SensorPublisher::OnReading(const std::string& reading,
                                                    unsigned matchStatus) {
    std::vector<MqttMessage> messages;
    if (!m_online) {
        return messages;
    }
    messages.push_back({m_topics.Sensor(m_snapshot->Identity.SerialNumber, "reading"), reading,
                        false, READING_QOS});
    const unsigned model = m_snapshot->Identity.ModelCode;
    const std::optional<unsigned> previous = std::exchange(m_matchStatus, matchStatus);
    for (unsigned channel = 1; channel <= MatchChannelCount(model); ++channel) {
        if (!previous || ChannelRecognised(model, *previous, channel) !=
                             ChannelRecognised(model, matchStatus, channel)) {
            AppendMatch(messages, channel);
        }
    }
    return messages;
}

std::vector<MqttMessage> SensorPublisher::OnLoss() {
    if (!m_online) {
        return {};
    }
    m_online = false;
    return {Availability(false)};
}

std::vector<MqttMessage> SensorPublisher::Retained() const {
    std::vector<MqttMessage> messages;
    if (!m_snapshot) {
        return messages;
    }
    if (!m_online) {
        return {Availability(false)};
    }
    AppendSensorTopics(messages);
    if (m_matchStatus) {
        for (unsigned channel = 1; channel <= MatchChannelCount(m_snapshot->Identity.ModelCode);
             ++channel) {
            AppendMatch(messages, channel);
        }
    }
    return messages;
}

std::vector<MqttMessage> SensorPublisher::Offline() const {
    if (!m_online) {
        return {};
    }
    return {Availability(false)};
}

// The descriptions first and "online" last: a subscriber that sees the sensor on line finds
// them already there.
void SensorPublisher::AppendSensorTopics(std::vector<MqttMessage>& messages) const {
    const std::string& serial = m_snapshot->Identity.SerialNumber;
    messages.push_back(
        {m_topics.Sensor(serial, "identity"), m_snapshot->IdentityText, true, RETAINED_QOS});
    messages.push_back(
        {m_topics.Sensor(serial, "settings"), m_snapshot->SettingsText, true, RETAINED_QOS});
    messages.push_back(
        {m_topics.Sensor(serial, "channels"), m_snapshot->ChannelsText, true, RETAINED_QOS});
    if (!m_discoveryPrefix.empty()) {
        for (MqttMessage& config :
             DiscoveryConfigs(m_topics, m_discoveryPrefix, m_snapshot->Identity)) {
            messages.push_back(std::move(config));
        }
    }
    messages.push_back(Availability(true));
}

void SensorPublisher::AppendMatch(std::vector<MqttMessage>& messages, unsigned channel) const {
    const bool on = ChannelRecognised(m_snapshot->Identity.ModelCode, *m_matchStatus, channel);
    messages.push_back({m_topics.Match(m_snapshot->Identity.SerialNumber, channel),
                        on ? "ON" : "OFF", true, RETAINED_QOS});
}

MqttMessage SensorPublisher::Availability(bool online) const {
    return {m_topics.Sensor(m_snapshot->Identity.SerialNumber, "availability"),
            online ? "online" : "offline", true, RETAINED_QOS};
}
