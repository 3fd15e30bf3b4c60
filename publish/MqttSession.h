#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "publish/MqttMessage.h"

struct mosquitto;

struct MqttSessionOptions {
    std::string Host;
    unsigned Port = 0;
    bool Tls = false;
    std::string CaFile;   // empty: the system's certificates
    std::string CertFile; // a client certificate, with KeyFile
    std::string KeyFile;
    bool Insecure = false; // TLS without checking the broker's certificate and host name
    std::string Username;  // empty: none
    std::string Password;
    std::string ClientId;
    // This client's availability topic: "online" at every connect, "offline" at a clean close
    // and as the broker's last will (retained, QoS 1) when the client vanishes.
    std::string AvailabilityTopic;
    unsigned KeepAliveSeconds = 10;
};

// One client connection to an MQTT broker that stays up on its own: it connects in the
// background, and after a failed attempt or a lost connection tries again, backing off up to
// a bound. Publishing never blocks and never piles up: while there is no connection (or the
// broker does not take what was handed over) messages are dropped and counted.
class MqttSession {
public:
    // Both handlers run on the session's network thread. `onConnected`: every (re)connect, after
    // "online" went out; the owner publishes its retained topics again from there, since a
    // restarted broker may have lost them. `onProblem`: why an attempt failed or the connection
    // was lost, once per different reason until a connection succeeds.
    using ConnectedHandler = std::function<void()>;
    using ProblemHandler = std::function<void(const std::string&)>;

    MqttSession(MqttSessionOptions options, ConnectedHandler onConnected, ProblemHandler onProblem);
    ~MqttSession();
    MqttSession(const MqttSession&) = delete;
    MqttSession& operator=(const MqttSession&) = delete;

    // Sets the client up and starts connecting. False with `error` when the options cannot
    // work at all (a certificate or key file that cannot be read, for one).
    bool Start(std::string& error);
    // Hands the message to the connection; false when it was dropped instead.
    bool Publish(const MqttMessage& message);
    bool Connected() const { return m_connected; }
    std::uint64_t Dropped() const { return m_dropped; }

    // Ends the session cleanly: while connected, publishes `last` and this client's "offline"
    // (all at QoS 1), waits up to `limit` for the broker to acknowledge them, then disconnects
    // (so the broker drops the last will). True when all of them were acknowledged.
    bool Close(const std::vector<MqttMessage>& last, std::chrono::milliseconds limit);

private:
    bool Configure(std::string& error);
    bool ConfigureTls(std::string& error);
    void Run();
    int LoopWhileOpen(bool& cameUp);
    void BackOff(std::chrono::milliseconds delay);
    void Report(int result, int failure);
    bool Send(const MqttMessage& message, int* id);
    void Stop();

    static void OnConnect(mosquitto* client, void* self, int code);
    static void OnDisconnect(mosquitto* client, void* self, int code);
    static void OnPublish(mosquitto* client, void* self, int id);
    static void OnLog(mosquitto* client, void* self, int level, const char* text);

    MqttSessionOptions m_options;
    ConnectedHandler m_onConnected;
    ProblemHandler m_onProblem;
    mosquitto* m_client = nullptr;
    std::thread m_network;

    std::atomic<bool> m_connected = false;
    std::atomic<bool> m_justConnected = false;
    std::atomic<bool> m_closing = false; // no more reconnects, nor publishing by the owner
    std::atomic<bool> m_stop = false;    // the network thread ends
    std::atomic<std::uint64_t> m_dropped = 0;
    std::atomic<unsigned> m_unwritten = 0; // handed to the library since its queue was last empty

    std::mutex m_mutex; // guards what follows
    std::condition_variable m_changed;
    std::set<int> m_acknowledged; // message ids acknowledged while closing
    std::string m_refusal;        // the broker's reason for refusing the last attempt
    std::string m_lastError;      // the library's last error report (TLS failures)
    std::string m_reported;       // the problem last reported, until a connect succeeds
};
