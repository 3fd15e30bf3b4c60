#include "BenchRig.h"

#include <cstdio>
#include <cstring>

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
    if (!m_sensor.Connect(m_sim.SlavePath())) {
        error = "cannot open " + m_sim.SlavePath() + ": " +
                std::strerror(static_cast<int>(m_sensor.LastPortError()));
        return false;
    }
    return true;
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

int BenchFailed(const char* benchmark, const std::string& why) {
    std::fprintf(stderr, "%s: %s\n", benchmark, why.c_str());
    return 1;
}
