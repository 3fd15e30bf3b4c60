#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "sensor/NotificationQueue.h"
#include "sensor/Sensor.h"
#include "sim/VirtualSensor.h"

// A sensor proxy connected over a pseudo-terminal to a virtual sensor in the same process,
// with a queue as its target: the queue notes the moment of every post.
class BenchRig {
public:
    using Observer = std::function<void(const std::string& line)>;

    explicit BenchRig(SimConfig config, Observer observer = {});
    ~BenchRig(); // stops both polls and disconnects
    BenchRig(const BenchRig&) = delete;
    BenchRig& operator=(const BenchRig&) = delete;

    // Starts the sensor and connects the proxy; false with a message when either fails.
    bool Start(std::string& error);
    // Connects the proxy anew, to device (the sensor's pseudo-terminal, or a server of it).
    bool Reconnect(const std::string& device, std::string& error);

    // One settings request: ms from the sensor writing its reply's CR to the proxy's
    // notification, or nothing when the reply did not come.
    std::optional<double> SettingsReplyLatencyMs();

    VirtualSensor& Sim() { return m_sim; }
    CSensor& Sensor() { return m_sensor; }
    CNotificationQueue& Queue() { return m_queue; }

    // The next notification `message` (with `wParam`, when given); others on the way are
    // dropped. Nothing when none comes within `timeout`.
    std::optional<Notification> Await(unsigned message,
                                      std::optional<std::uintptr_t> wParam = std::nullopt,
                                      std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    bool Connect(const std::string& device, std::string& error);

    // In this order so that the proxy goes first, then the sensor, then the queue.
    CNotificationQueue m_queue;
    VirtualSensor m_sim;
    CSensor m_sensor;
};

// A fifteen-channel virtual sensor that paces its line like 9600 baud 7E1.
SimConfig FifteenChannelsAtLineRate();

// The value after option `name` on the command line, at least 1; `fallback` without it.
int CountArgument(int argc, char** argv, const char* name, int fallback);

// Prints a benchmark's failure to run and gives its exit status.
int BenchFailed(const char* benchmark, const std::string& why);
