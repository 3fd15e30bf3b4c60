#include "support/MqttSubscriber.h"

#include <mosquitto.h>

#include "support/Deadline.h"

#include <algorithm>

MqttSubscriber::MqttSubscriber(unsigned port, bool latestOnly)
    : m_port(port), m_latestOnly(latestOnly) {
    mosquitto_lib_init();
    m_client = mosquitto_new(nullptr, true, this);
    mosquitto_connect_callback_set(m_client, &MqttSubscriber::OnConnect);
    mosquitto_subscribe_callback_set(m_client, &MqttSubscriber::OnSubscribe);
    mosquitto_message_callback_set(m_client, &MqttSubscriber::OnMessage);
    mosquitto_reconnect_delay_set(m_client, 1, 1, false);
}

MqttSubscriber::~MqttSubscriber() {
    // The disconnect ends the network thread by itself; cancelling it instead could cut it off
    // in the middle of a message, which is then never freed.
    mosquitto_disconnect(m_client);
    mosquitto_loop_stop(m_client, false);
    mosquitto_destroy(m_client);
}

bool MqttSubscriber::Start() {
    if (mosquitto_connect(m_client, "127.0.0.1", static_cast<int>(m_port), 10) !=
            MOSQ_ERR_SUCCESS ||
        mosquitto_loop_start(m_client) != MOSQ_ERR_SUCCESS) {
        return false;
    }
    return WaitUntil([this] {
        const std::lock_guard lock(m_mutex);
        return m_subscribed;
    });
}

std::vector<MqttSubscriber::Received> MqttSubscriber::Messages() const {
    const std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<MqttSubscriber::Received> MqttSubscriber::On(const std::string& topic) const {
    std::vector<Received> found;
    for (Received& message : Messages()) {
        if (message.Topic == topic) {
            found.push_back(std::move(message));
        }
    }
    return found;
}

std::optional<MqttSubscriber::Received>
MqttSubscriber::WaitFor(const std::string& topic, const std::string& payload,
                        std::chrono::milliseconds timeout) const {
    std::optional<Received> found;
    WaitUntil(
        [&] {
            for (Received& message : On(topic)) {
                if (message.Payload == payload) {
                    found = std::move(message);
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

void MqttSubscriber::OnConnect(mosquitto* client, void* /*self*/, int code) {
    if (code == 0) {
        mosquitto_subscribe(client, nullptr, "#", 1);
    }
}

void MqttSubscriber::OnSubscribe(mosquitto* /*client*/, void* self, int /*id*/, int /*count*/,
                                 const int* /*granted*/) {
    auto* subscriber = static_cast<MqttSubscriber*>(self);
    const std::lock_guard lock(subscriber->m_mutex);
    subscriber->m_subscribed = true;
}

void MqttSubscriber::OnMessage(mosquitto* /*client*/, void* self,
                               const struct mosquitto_message* message) {
    auto* subscriber = static_cast<MqttSubscriber*>(self);
    Received received{message->topic,
                      message->payloadlen > 0
                          ? std::string(static_cast<const char*>(message->payload),
                                        static_cast<std::size_t>(message->payloadlen))
                          : std::string(),
                      message->retain, std::chrono::steady_clock::now()};
    const std::lock_guard lock(subscriber->m_mutex);
    std::vector<Received>& messages = subscriber->m_messages;
    if (subscriber->m_latestOnly) {
        std::erase_if(messages, [&](const Received& old) { return old.Topic == received.Topic; });
    }
    messages.push_back(std::move(received));
}
