#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct mosquitto;

// A test client that subscribes to every topic on a broker at 127.0.0.1 and records each
// message with its retained flag and the time it arrived. It reconnects on its own (within a
// second) when the broker comes back. With `latestOnly` it keeps only the latest message of
// each topic, so that a run of hours does not grow with every reading.
class MqttSubscriber {
public:
    struct Received {
        std::string Topic;
        std::string Payload;
        bool Retained = false;
        std::chrono::steady_clock::time_point At;
    };

    explicit MqttSubscriber(unsigned port, bool latestOnly = false);
    ~MqttSubscriber();
    MqttSubscriber(const MqttSubscriber&) = delete;
    MqttSubscriber& operator=(const MqttSubscriber&) = delete;

    // Connects and waits until the subscription holds; false when it did not within seconds.
    bool Start();

    std::vector<Received> Messages() const;
    // The messages on `topic`, oldest first.
    std::vector<Received> On(const std::string& topic) const;
    // Waits until `topic` has received `payload`; that message, or nothing at the deadline.
    std::optional<Received>
    WaitFor(const std::string& topic, const std::string& payload,
            std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

private:
    static void OnConnect(mosquitto* client, void* self, int code);
    static void OnSubscribe(mosquitto* client, void* self, int id, int count, const int* granted);
    static void OnMessage(mosquitto* client, void* self, const struct mosquitto_message* message);

    unsigned m_port;
    bool m_latestOnly;
    mosquitto* m_client = nullptr;
    mutable std::mutex m_mutex;
    bool m_subscribed = false;
    std::vector<Received> m_messages;
};
