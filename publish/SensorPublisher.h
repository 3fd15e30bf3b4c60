#pragma once

#include <optional>
#include <string>
#include <vector>

#include "publish/MqttMessage.h"
#include "publish/SensorSnapshot.h"
#include "publish/TopicNames.h"

// What one sensor line publishes, driven by what happens on the line. Each event returns the
// messages to send, in order. Nothing is published for a sensor between a loss and the next
// contact, so readings never appear under a serial number that no longer answers.
class SensorPublisher {
public:
    // An empty `discoveryPrefix` publishes no Home Assistant discovery configs.
    SensorPublisher(TopicNames topics, std::string discoveryPrefix);

    // The sensor identified (at first contact or again after a loss): its retained topics and
    // then "online". Another serial than before makes the old one "offline" first.
    std::vector<MqttMessage> OnContact(SensorSnapshot snapshot);
    // A reading (the `--json monitor` object, as text) and the match status it came with. The first
    // after a contact publishes every channel's match topic, later ones only the channels whose
    // recognition changed.
    std::vector<MqttMessage> OnReading(const std::string& reading, unsigned matchStatus);
    // A hang-up or silence: "offline" for the sensor.
    std::vector<MqttMessage> OnLoss();

    // Everything retained as it stands, for a broker connection that was (re)made.
    std::vector<MqttMessage> Retained() const;
    // "offline" for the sensor that was on line, for the end of publishing.
    std::vector<MqttMessage> Offline() const;

    bool Online() const { return m_online; }

private:
    void AppendSensorTopics(std::vector<MqttMessage>& messages) const;
    void AppendMatch(std::vector<MqttMessage>& messages, unsigned channel) const;
    MqttMessage Availability(bool online) const;

    TopicNames m_topics;
    std::string m_discoveryPrefix;
    std::optional<SensorSnapshot> m_snapshot;
    bool m_online = false;
    std::optional<unsigned> m_matchStatus; // unknown until the first reading after a contact
};
