#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "ChildProcess.h"
#include "FaultKinds.h"
#include "tests/support/Mosquitto.h"
#include "tests/support/MqttSubscriber.h"

// spectrelctl publish in the soak, as a service runs it: its own virtual sensor, a real
// mosquitto that the soak kills and starts again, and a subscriber that keeps the latest
// message of each topic, as a plant's dashboard would.
class PublishWatch {
public:
    using Clock = std::chrono::steady_clock;

    // Starts the broker, the subscriber and spectrelctl publish on the sensor at `sensorLink`;
    // false with `problem` when one of them does not start.
    bool Start(const std::string& ctlProgram, const std::string& sensorLink,
               const std::string& outputPath, std::string& problem);
    void KillBroker() { m_broker.Kill(); }
    bool StartBroker(std::string& problem);

    // Back after a fault that ended at `faultEnd`: the sensor that answers now (after a swap,
    // the new serial) has its identity retained and a reading published since, and a swapped
    // serial says "offline". A swap is taken as done once it is back.
    bool Back(const FaultEpisode& episode, Clock::time_point faultEnd);
    // The latest availability of the sensor, for a report.
    std::string State() const;

    ChildProcess& Process() { return m_process; }

private:
    bool PublishedSince(const std::string& topic, Clock::time_point since) const;
    std::string Topic(const std::string& serial, const std::string& leaf) const {
        return "spectrel/" + serial + "/" + leaf;
    }

    Mosquitto m_broker;
    std::unique_ptr<MqttSubscriber> m_subscriber;
    ChildProcess m_process;
    std::string m_serial = "SIM0000000000001"; // the virtual sensor's until a swap
};
