#include "BenchRig.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "common/LinkError.h"

BenchRig::BenchRig(SimConfig config, Observer observer) : m_sim(std::move(config)) {
    if (observer) {
        m_sim.SetAnswerObserver(std::move(observer));
    }
}

BenchRig::~BenchRig() {
    m_sensor.StopIdentifyPolling();
    m_sensor.StopDataPolling();
    m_sensor.ClearPending();
    m_sensor.Disconnect();
    m_sensor.SetWindow(nullptr);
}

bool BenchRig::Start(std::string& error) {
    if (!m_sim.Start()) {
        error = "the virtual sensor did not start: " + m_sim.Error();
        return false;
    }
    m_sensor.SetWindow(&m_queue);
    return Connect(m_sim.SlavePath(), error);
}

bool BenchRig::Reconnect(const std::string& device, std::string& error) {
    m_sensor.StopIdentifyPolling();
    m_sensor.StopDataPolling();
    m_sensor.ClearPending();
    m_sensor.Disconnect();
    // The device may still be held by the server that served the previous connection while
    // it closes that session.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!Connect(device, error)) {
        const std::uint32_t reason = m_sensor.LastPortError();
        if ((reason != EBUSY && reason != LINK_ERROR_SERVER_IN_USE) ||
            std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool BenchRig::Connect(const std::string& device, std::string& error) {
    if (!m_sensor.Connect(device)) {
        error = "cannot open " + device + ": " + LinkErrorText(m_sensor.LastPortError());
        return false;
    }
    return true;
}

namespace {

std::int64_t Nanoseconds(std::chrono::steady_clock::time_point time) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
}

} // namespace

std::optional<double> BenchRig::SettingsReplyLatencyMs() {
    const std::int64_t previousEnd = m_sim.LastReplyEndNanoseconds();
    if (!m_sensor.RequestSettings()) {
        return std::nullopt;
    }
    const auto notification = Await(WM_SENSOR_SETTINGS);
    if (!notification) {
        return std::nullopt;
    }
    // The sensor notes the time once its write has returned, which can be after the proxy
    // has already read the line: wait for that note before taking it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (m_sim.LastReplyEndNanoseconds() == previousEnd) {
        if (std::chrono::steady_clock::now() > deadline) {
            return std::nullopt;
        }
        std::this_thread::yield();
    }
    const std::int64_t replyEnd = m_sim.LastReplyEndNanoseconds();
    return static_cast<double>(Nanoseconds(notification->Time) - replyEnd) / 1e6;
}

std::optional<Notification> BenchRig::Await(unsigned message, std::optional<std::uintptr_t> wParam,
                                            std::chrono::milliseconds timeout) {
    const auto deadline = CNotificationQueue::Clock::now() + timeout;
    while (auto notification = m_queue.Pop(deadline)) {
        if (notification->Message == message && (!wParam || notification->WParam == *wParam)) {
            return notification;
        }
    }
    return std::nullopt;
}

SimConfig FifteenChannelsAtLineRate() {
    constexpr unsigned MODEL_FIFTEEN_CHANNELS = 9;
    SimConfig config;
    config.ModelCode = MODEL_FIFTEEN_CHANNELS;
    config.Pacing = true;
    return config;
}

int CountArgument(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return std::max(1, std::atoi(argv[i + 1]));
        }
    }
    return fallback;
}

int BenchFailed(const char* benchmark, const std::string& why) {
    std::fprintf(stderr, "%s: %s\n", benchmark, why.c_str());
    return 1;
}
