#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "sensor/Sensor.h"
#include "support/RecordingTarget.h"
#include "support/SimulatedSensor.h"

// A sensor proxy connected through a real pseudo-terminal to a virtual sensor, with a target
// that records every notification.
class SensorFixture : public ::testing::Test {
protected:
    using Clock = std::chrono::steady_clock;

    // Use as ASSERT_NO_FATAL_FAILURE(Connect(...)).
    void Connect(SimConfig config = {}) {
        m_sim = std::make_unique<SimulatedSensor>(std::move(config));
        ASSERT_TRUE(m_sim->Started()) << m_sim->Problem();
        sensor.SetWindow(&target);
        ASSERT_TRUE(sensor.Connect(m_sim->Path())) << "errno " << sensor.LastPortError();
        target.SetProbe([this] { return m_sim->Sim().CommandsReceived(); });
    }

    void TearDown() override {
        sensor.StopIdentifyPolling();
        sensor.StopDataPolling();
        sensor.Disconnect();
        sensor.SetWindow(nullptr);
    }

    VirtualSensor& Sim() { return m_sim->Sim(); }
    const std::string& Path() const { return m_sim->Path(); }

    std::optional<Notification> Await(unsigned message, std::chrono::milliseconds timeout) {
        return target.PopMessage(message, timeout);
    }
    std::optional<Notification> AwaitTimeout(SensorTimeout kind,
                                             std::chrono::milliseconds timeout) {
        return target.PopMatching(
            [kind](const Notification& n) {
                return n.Message == WM_SENSOR_TIMEOUT && n.WParam == kind;
            },
            Clock::now() + timeout);
    }

    static double Ms(Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    }

    // Declared in this order so that the proxy goes first and the sensor last.
    std::unique_ptr<SimulatedSensor> m_sim;
    RecordingTarget target;
    CSensor sensor;
};
