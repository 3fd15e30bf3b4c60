#include "publish/MqttSession.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mosquitto.h>
#include <mutex>
#include <openssl/ssl.h>

namespace {

using std::chrono::milliseconds;

constexpr int RETAINED_QOS = 1;
// Attempts start quickly and back off to this bound, short enough that a broker listening
// again has every retained topic back within two seconds.
constexpr milliseconds FIRST_RETRY{100};
constexpr milliseconds LAST_RETRY{1500};
// How long one turn of the network loop may wait for the socket; a publish wakes it earlier.
constexpr int LOOP_WAIT_MS = 100;
// Messages handed to the library that it has not written yet. Past this the broker is not
// taking them (a stalled link before the keep-alive notices), and more would only pile up.
constexpr unsigned MOST_UNWRITTEN = 1000;

void InitialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

} // namespace

MqttSession::MqttSession(MqttSessionOptions options, ConnectedHandler onConnected,
                         ProblemHandler onProblem)
    : m_options(std::move(options)), m_onConnected(std::move(onConnected)),
      m_onProblem(std::move(onProblem)) {
}

MqttSession::~MqttSession() {
    Stop();
    if (m_client != nullptr) {
        mosquitto_destroy(m_client);
    }
}

bool MqttSession::Start(std::string& error) {
    InitialiseLibrary();
    m_client = mosquitto_new(m_options.ClientId.c_str(), true, this);
    if (m_client == nullptr || !Configure(error)) {
        if (error.empty()) {
            error = "cannot set up the MQTT client: " + std::string(std::strerror(errno));
        }
        return false;
    }
    m_network = std::thread(&MqttSession::Run, this);
    return true;
}

bool MqttSession::Configure(std::string& error) {
    // The loop is driven by this session's own thread, not the library's: the library's loop
    // gives up for good after a TLS failure, and a certificate that fails now may be fixed on
    // the broker later. Marking the client threaded makes a publish from another thread wake
    // the loop instead of writing the socket itself.
    mosquitto_threaded_set(m_client, true);
    mosquitto_int_option(m_client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // A reading is one small packet: sent at once, not held back to be joined with the next.
    mosquitto_int_option(m_client, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_connect_callback_set(m_client, &MqttSession::OnConnect);
    mosquitto_disconnect_callback_set(m_client, &MqttSession::OnDisconnect);
    mosquitto_publish_callback_set(m_client, &MqttSession::OnPublish);
    mosquitto_log_callback_set(m_client, &MqttSession::OnLog);
    const std::string offline = "offline";
    if (mosquitto_will_set(m_client, m_options.AvailabilityTopic.c_str(),
                           static_cast<int>(offline.size()), offline.data(), RETAINED_QOS,
                           true) != MOSQ_ERR_SUCCESS) {
        error = "cannot use \"" + m_options.AvailabilityTopic + "\" as the availability topic";
        return false;
    }
    if (!m_options.Username.empty() &&
        mosquitto_username_pw_set(m_client, m_options.Username.c_str(),
                                  m_options.Password.c_str()) != MOSQ_ERR_SUCCESS) {
        error = "cannot use the user name \"" + m_options.Username + "\"";
        return false;
    }
    return !m_options.Tls || ConfigureTls(error);
}

bool MqttSession::ConfigureTls(std::string& error) {
    const char* caFile = m_options.CaFile.empty() ? nullptr : m_options.CaFile.c_str();
    const char* certFile = m_options.CertFile.empty() ? nullptr : m_options.CertFile.c_str();
    const char* keyFile = m_options.KeyFile.empty() ? nullptr : m_options.KeyFile.c_str();
    if (caFile == nullptr) {
        mosquitto_int_option(m_client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
    }
    // Without a CA file the system's certificates decide; the library wants one of the two
    // named, so the system's folder stands in.
    const int result =
        mosquitto_tls_set(m_client, caFile, caFile == nullptr ? "/etc/ssl/certs" : nullptr,
                          certFile, keyFile, nullptr);
    if (result != MOSQ_ERR_SUCCESS) {
        error = "cannot use the TLS files (CA \"" +
                (caFile != nullptr ? m_options.CaFile : std::string("system")) + "\"" +
                (certFile != nullptr ? ", certificate \"" + m_options.CertFile + "\"" : "") +
                (keyFile != nullptr ? ", key \"" + m_options.KeyFile + "\"" : "") +
                "): " + mosquitto_strerror(result);
        return false;
    }
    if (m_options.Insecure) {
        mosquitto_tls_opts_set(m_client, SSL_VERIFY_NONE, nullptr, nullptr);
        mosquitto_tls_insecure_set(m_client, true);
    }
    return true;
}

bool MqttSession::Publish(const MqttMessage& message) {
    if (m_closing || !m_connected || m_unwritten >= MOST_UNWRITTEN || !Send(message, nullptr)) {
        ++m_dropped;
        return false;
    }
    return true;
}

bool MqttSession::Send(const MqttMessage& message, int* id) {
    const int result = mosquitto_publish(m_client, id, message.Topic.c_str(),
                                         static_cast<int>(message.Payload.size()),
                                         message.Payload.data(), message.Qos, message.Retained);
    if (result != MOSQ_ERR_SUCCESS) {
        return false;
    }
    ++m_unwritten;
    return true;
}

bool MqttSession::Close(const std::vector<MqttMessage>& last, std::chrono::milliseconds limit) {
    if (!m_network.joinable()) {
        return false;
    }
    m_closing = true;
    m_changed.notify_all();
    bool acknowledged = false;
    if (m_connected) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::vector<MqttMessage> messages = last;
        messages.push_back({m_options.AvailabilityTopic, "offline", true, RETAINED_QOS});
        std::vector<int> awaited;
        for (MqttMessage& message : messages) {
            message.Qos = RETAINED_QOS;
            int id = 0;
            if (Send(message, &id)) {
                awaited.push_back(id);
            }
        }
        std::unique_lock lock(m_mutex);
        acknowledged = m_changed.wait_until(lock, deadline, [&] {
            return std::ranges::all_of(awaited,
                                       [&](int id) { return m_acknowledged.contains(id); });
        }) && awaited.size() == messages.size();
        lock.unlock();
        // A clean disconnect: the broker forgets the will instead of publishing it.
        mosquitto_disconnect(m_client);
        lock.lock();
        m_changed.wait_until(lock, deadline, [&] { return !m_connected; });
    }
    Stop();
    return acknowledged;
}

void MqttSession::Stop() {
    m_closing = true;
    m_stop = true;
    m_changed.notify_all();
    if (m_network.joinable()) {
        m_network.join();
    }
}

void MqttSession::Run() {
    milliseconds delay = FIRST_RETRY;
    bool first = true;
    while (!m_closing) {
        int result = first ? mosquitto_connect_async(m_client, m_options.Host.c_str(),
                                                     static_cast<int>(m_options.Port),
                                                     static_cast<int>(m_options.KeepAliveSeconds))
                           : mosquitto_reconnect_async(m_client);
        int failure = errno;
        first = false;
        if (result == MOSQ_ERR_SUCCESS) {
            bool cameUp = false;
            result = LoopWhileOpen(cameUp);
            failure = errno;
            if (cameUp) {
                delay = FIRST_RETRY; // it was up: try again at once, then back off
            }
        }
        if (m_closing) {
            break;
        }
        Report(result, failure);
        BackOff(delay);
        delay = std::min(delay * 2, LAST_RETRY);
    }
}

// Runs the connection until it fails or the session stops; the library's result.
int MqttSession::LoopWhileOpen(bool& cameUp) {
    while (!m_stop) {
        const int result = mosquitto_loop(m_client, LOOP_WAIT_MS, 1);
        if (result != MOSQ_ERR_SUCCESS) {
            return result;
        }
        if (!mosquitto_want_write(m_client)) {
            m_unwritten = 0;
        }
        if (m_justConnected.exchange(false)) {
            cameUp = true;
            if (m_onConnected) {
                m_onConnected();
            }
        }
    }
    return MOSQ_ERR_SUCCESS;
}

void MqttSession::BackOff(milliseconds delay) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, delay, [this] { return m_closing.load(); });
}

void MqttSession::Report(int result, int failure) {
    std::string reason;
    {
        const std::lock_guard lock(m_mutex);
        if (result == MOSQ_ERR_CONN_REFUSED && !m_refusal.empty()) {
            reason = "the broker refused the connection: " + m_refusal;
        } else if (result == MOSQ_ERR_TLS) {
            reason = "TLS failed" + (m_lastError.empty() ? "" : ": " + m_lastError);
        } else if (result == MOSQ_ERR_ERRNO) {
            reason = std::strerror(failure);
        } else {
            reason = mosquitto_strerror(result);
        }
        reason = "the broker at " + m_options.Host + ":" + std::to_string(m_options.Port) + ": " +
                 reason;
        if (reason == m_reported) {
            return;
        }
        m_reported = reason;
    }
    if (m_onProblem) {
        m_onProblem(reason);
    }
}

void MqttSession::OnConnect(mosquitto* client, void* self, int code) {
    auto* session = static_cast<MqttSession*>(self);
    if (code != 0) {
        const std::lock_guard lock(session->m_mutex);
        session->m_refusal = mosquitto_connack_string(code);
        return;
    }
    {
        const std::lock_guard lock(session->m_mutex);
        session->m_reported.clear();
        session->m_lastError.clear();
    }
    const std::string online = "online";
    mosquitto_publish(client, nullptr, session->m_options.AvailabilityTopic.c_str(),
                      static_cast<int>(online.size()), online.data(), RETAINED_QOS, true);
    session->m_connected = true;
    session->m_justConnected = true;
}

void MqttSession::OnDisconnect(mosquitto* /*client*/, void* self, int /*code*/) {
    auto* session = static_cast<MqttSession*>(self);
    {
        const std::lock_guard lock(session->m_mutex);
        session->m_connected = false;
    }
    session->m_changed.notify_all();
}

void MqttSession::OnPublish(mosquitto* /*client*/, void* self, int id) {
    auto* session = static_cast<MqttSession*>(self);
    if (!session->m_closing) {
        return;
    }
    {
        const std::lock_guard lock(session->m_mutex);
        session->m_acknowledged.insert(id);
    }
    session->m_changed.notify_all();
}

// The library tells why a TLS handshake failed only in its log.
void MqttSession::OnLog(mosquitto* /*client*/, void* self, int level, const char* text) {
    if (level != MOSQ_LOG_ERR || text == nullptr) {
        return;
    }
    auto* session = static_cast<MqttSession*>(self);
    const std::lock_guard lock(session->m_mutex);
    session->m_lastError = text;
}
