#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CtlOptions.h"
#include "cli/CtlSession.h"
#include "publish/MqttSession.h"
#include "publish/SensorPublisher.h"

// One sensor line of `spectrelctl publish`, run on a thread of its own so that one sensor's
// trouble never delays another's readings. It polls as `spectrelctl log` does: a sensor lost
// or silent is looked for until it answers, and is identified and read again before anything
// more is published for it, so readings never go out under a serial that no longer answers.
class CPublishLine {
public:
    CPublishLine(std::string device, const CtlOptions& options, TopicNames topics,
                 MqttSession& broker, std::ostream& err, const std::atomic<bool>& stop);

    // Until the stop request.
    void Run();
    // Everything retained again, for a broker connection that was (re)made.
    void Republish();
    // "offline" for the sensor on line, for the end of publishing.
    std::vector<MqttMessage> Offline() const;

private:
    bool Open(CCtlSession& session);
    CtlOutcome PublishUntilLost(CCtlSession& session);
    CtlOutcome ReadSnapshot(CCtlSession& session, SensorSnapshot& snapshot);
    CtlOutcome Poll(CCtlSession& session);
    void Publish(const std::vector<MqttMessage>& messages);

    std::string m_device;
    unsigned m_periodMs;
    std::chrono::milliseconds m_timeout; // the first look for the sensor, before it is reported
    MqttSession& m_broker;
    std::ostream& m_err;
    const std::atomic<bool>& m_stop;
    mutable std::mutex m_mutex; // the publisher's state, and the order its messages go out in
    SensorPublisher m_publisher;
    std::vector<ChannelDefinition> m_channels; // as last read, for each reading's margins
};
