#include "PublishWatch.h"

#include "tests/support/Deadline.h"

bool PublishWatch::Start(const std::string& ctlProgram, const std::string& sensorLink,
                         const std::string& outputPath, std::string& problem) {
    if (!StartBroker(problem)) {
        return false;
    }
    m_subscriber = std::make_unique<MqttSubscriber>(m_broker.Port(), true);
    if (!m_subscriber->Start()) {
        problem = "the soak's MQTT subscriber did not connect";
        return false;
    }
    if (!m_process.Start({ctlProgram, "--device", sensorLink, "publish", "--broker",
                          "mqtt://127.0.0.1:" + std::to_string(m_broker.Port()), "--client-id",
                          "soak"},
                         outputPath, false)) {
        problem = m_process.Error();
        return false;
    }
    if (!WaitUntil([this] { return State() == "online"; }, std::chrono::seconds(20))) {
        problem = "spectrelctl publish did not put its sensor on line";
        return false;
    }
    return true;
}

bool PublishWatch::StartBroker(std::string& problem) {
    if (!m_broker.Start()) {
        problem = "mosquitto: " + m_broker.Problem();
        return false;
    }
    return true;
}

bool PublishWatch::Back(const FaultEpisode& episode, Clock::time_point faultEnd) {
    const std::string serial = episode.NewSerial.empty() ? m_serial : episode.NewSerial;
    const bool back =
        PublishedSince(Topic(serial, "reading"), faultEnd) &&
        (episode.Kind != FaultKind::Broker || PublishedSince(Topic(serial, "identity"), faultEnd));
    const auto old = m_subscriber->On(Topic(m_serial, "availability"));
    const bool oldOffline = serial == m_serial || (!old.empty() && old.back().Payload == "offline");
    if (back && oldOffline) {
        m_serial = serial;
        return true;
    }
    return false;
}

std::string PublishWatch::State() const {
    const auto availability = m_subscriber->On(Topic(m_serial, "availability"));
    return availability.empty() ? "nothing published" : availability.back().Payload;
}

bool PublishWatch::PublishedSince(const std::string& topic, Clock::time_point since) const {
    const auto messages = m_subscriber->On(topic);
    return !messages.empty() && messages.back().At > since;
}
