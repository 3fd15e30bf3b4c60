#pragma once

#include <string>

// One message for the broker: where it goes, what it says, whether the broker keeps it for
// later subscribers, and its quality of service (0: at most once, 1: at least once).
struct MqttMessage {
    std::string Topic;
    std::string Payload;
    bool Retained = false;
    int Qos = 0;

    bool operator==(const MqttMessage&) const = default;
};
