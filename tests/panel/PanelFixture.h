#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "FakeView.h"
#include "panel/SpectrelDlg.h"
#include "sim/VirtualSensor.h"
#include "tests/support/TempDir.h"

// A virtual sensor on a pseudo-terminal that keeps the commands it answered, in order. Its
// device is reached by a link whose name stays when the sensor is unplugged and plugged in
// again (the pseudo-terminal's own name may change).
class LoggedSensor {
public:
    LoggedSensor(SimConfig config, const std::string& linkPath);
    VirtualSensor& Sim() { return m_sim; }
    const std::string& Path() const { return m_sim.LinkPath(); }
    std::vector<std::string> Commands() const;
    // Commands answered since `mark` (a count of Commands() taken earlier).
    std::vector<std::string> CommandsSince(std::size_t mark) const;
    std::size_t Mark() const { return Commands().size(); }
    bool SawSince(std::size_t mark, const std::string& command) const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_commands;
    VirtualSensor m_sim;
};

// One channel as a test sets it up in the virtual sensor before the panel reads it.
struct ChannelSetup {
    unsigned Channel;
    unsigned MatchOutput;
    unsigned Enabled;
    double Red, Green, Blue;
};

// A panel on a fake view, with its preferences in a temporary folder and COM1 mapped to a
// virtual sensor.
class PanelTest : public ::testing::Test {
protected:
    PanelTest();
    ~PanelTest() override;

    static SimConfig Model(unsigned modelCode);
    LoggedSensor& StartSensor(SimConfig config, const std::string& portName = "COM1");
    void WritePreferences(const std::string& text);
    std::string ReadPreferences() const;
    // Teaches channels straight into the virtual sensor through a proxy of the test's own.
    void SetUpChannels(LoggedSensor& sensor, const std::vector<ChannelSetup>& channels);
    void OpenPanel();
    // A four-channel sensor read in full: channel 1 enabled at 40/40/20 %, channel 2 disabled
    // at 10/10/20 %, both in "Color only" with about 10 % tolerances; channels 3 and 4 untaught.
    // Use as ASSERT_NO_FATAL_FAILURE(OpenTaughtPanel()).
    void OpenTaughtPanel();
    // The user picks channel index (0-based, -1 none) in the "Channel" list.
    void Select(int index);
    bool WaitReady(std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
    bool WaitStatus(const std::string& status, std::chrono::milliseconds timeout);
    bool WaitReading(); // the next reading shown

    // Moves the proxy's time on, tick by tick, until `condition` holds, delivering nothing to
    // the panel (the window busy elsewhere); true when it held within `timeout`.
    bool AdvanceUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
    // Until the proxy waits for no answer, or every sensor has dealt with all it heard (and
    // stays so a moment: a command may still be on its way) without answering.
    void Settle() const;
    bool SensorsHeardAll() const; // every command a sensor received it has dealt with

    TempDir m_temp;
    std::string m_dir;
    ManualClock m_clock; // the panel's proxy runs on it: polling and time-outs take no real time
    PanelEnvironment m_environment;
    std::vector<std::unique_ptr<LoggedSensor>> m_sensors;
    FakeView m_view;
    std::unique_ptr<CSpectrelDlg> m_panel;
};
