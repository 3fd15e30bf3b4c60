#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "sensor/Sensor.h"
#include "support/CommandLog.h"
#include "support/Deadline.h"
#include "support/ManualClock.h"
#include "support/RecordingTarget.h"
#include "support/SimulatedSensor.h"

// A sensor proxy connected through a real pseudo-terminal to a virtual sensor, with a target
// that records every notification.
class SensorFixture : public ::testing::Test {
protected:
    using Clock = std::chrono::steady_clock;

    // In virtual time the proxy runs on `clock`, which the waits below move on: polling periods
    // and time-outs take no real time, and notifications carry that clock's time.
    explicit SensorFixture(bool virtualTime = false) : sensor(virtualTime ? &clock : nullptr) {
        if (virtualTime) {
            m_virtual = true;
            target.SetTime(&clock);
        }
    }

    // Use as ASSERT_NO_FATAL_FAILURE(Connect(...)).
    // In virtual time the sensor answers unpaced: Settle takes a sensor that has heard every
    // command and sent nothing for a moment as silent, and a reply still on its way at the
    // line rate (a channel's takes some 50 ms) would have the clock moved on to the proxy's
    // re-send under it, with two answers to one request in the end.
    void Connect(SimConfig config = {}) {
        config.Pacing = config.Pacing && !m_virtual;
        m_sim = std::make_unique<SimulatedSensor>(std::move(config));
        ASSERT_TRUE(m_sim->Started()) << m_sim->Problem();
        m_heardBefore = Sim().CommandsReceived() - sensor.CommandsWritten();
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
    // Watches the sensor's commands on the proxy's clock.
    CommandLog Log() {
        return m_virtual ? CommandLog(Sim(), clock, [this] { Settle(); }) : CommandLog(Sim());
    }
    const std::string& Path() const { return m_sim->Path(); }

    std::optional<Notification> Await(unsigned message, std::chrono::milliseconds timeout) {
        return AwaitMatching([message](const Notification& n) { return n.Message == message; },
                             timeout);
    }
    std::optional<Notification> AwaitTimeout(SensorTimeout kind,
                                             std::chrono::milliseconds timeout) {
        return AwaitMatching(
            [kind](const Notification& n) {
                return n.Message == WM_SENSOR_TIMEOUT && n.WParam == kind;
            },
            timeout);
    }
    // In virtual time the timeout is on the proxy's clock.
    std::optional<Notification> AwaitMatching(const std::function<bool(const Notification&)>& match,
                                              std::chrono::milliseconds timeout) {
        if (!m_virtual) {
            return target.PopMatching(match, Clock::now() + timeout);
        }
        const auto deadline = clock.Now() + timeout;
        for (;;) {
            Settle();
            if (auto found = target.PopMatching(match, Clock::now())) {
                return found;
            }
            if (!clock.AdvanceToNext(deadline)) {
                Settle();
                return target.PopMatching(match, Clock::now());
            }
        }
    }
    // Until the proxy has its answer, or the sensor has received every command written and
    // stays without an answer for a moment (it is silent); in real time.
    void Settle() {
        WaitUntilDoneOrQuiet(
            [this] { return !sensor.IsBusy(); },
            [this] { return Sim().CommandsReceived() - m_heardBefore >= sensor.CommandsWritten(); },
            std::chrono::seconds(2));
    }

    static double Ms(Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    }

    // Declared in this order so that the proxy goes first and the sensor last.
    std::unique_ptr<SimulatedSensor> m_sim;
    RecordingTarget target;
    ManualClock clock;
    CSensor sensor;
    bool m_virtual = false;
    std::uint64_t m_heardBefore = 0; // by the sensor, before this proxy wrote to it
};
