#include "PanelFixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

using namespace std::chrono_literals;

#include "sensor/Sensor.h"
#include "tests/support/Deadline.h"

LoggedSensor::LoggedSensor(SimConfig config, const std::string& linkPath)
    : m_sim(std::move(config)) {
    m_sim.SetAnswerObserver([this](const std::string& line) {
        std::lock_guard lock(m_mutex);
        m_commands.push_back(line.substr(0, line.find(" -> ")));
    });
    EXPECT_TRUE(m_sim.Start(linkPath)) << m_sim.Error();
}

std::vector<std::string> LoggedSensor::Commands() const {
    std::lock_guard lock(m_mutex);
    return m_commands;
}

std::vector<std::string> LoggedSensor::CommandsSince(std::size_t mark) const {
    const std::vector<std::string> all = Commands();
    return {all.begin() + static_cast<std::ptrdiff_t>(std::min(mark, all.size())), all.end()};
}

bool LoggedSensor::SawSince(std::size_t mark, const std::string& command) const {
    for (const std::string& seen : CommandsSince(mark)) {
        if (seen == command) {
            return true;
        }
    }
    return false;
}

PanelTest::PanelTest() : m_dir(m_temp.Path()) {
    m_environment.PreferencesPath = m_dir + "/Orvane Industries/spectrel.conf";
    m_environment.ProgramDir = m_dir;
    m_environment.ProgramName = "spectrel";
    m_environment.ProgramVersion = "0.1.0";
    m_environment.Timers = &m_clock;
    m_view.Time = &m_clock;
    m_view.Settle = [this] { Settle(); };
    m_clock.SetSensorSilent([this] { return SensorsHeardAll(); });
}

bool PanelTest::AdvanceUntil(const std::function<bool()>& condition,
                             std::chrono::milliseconds timeout) {
    const auto deadline = m_clock.Now() + timeout;
    while (!condition()) {
        Settle();
        if (condition() || !m_clock.AdvanceToNext(deadline)) {
            return condition();
        }
    }
    return true;
}

bool PanelTest::SensorsHeardAll() const {
    for (const auto& sensor : m_sensors) {
        if (sensor->Sim().CommandsReceived() != sensor->Commands().size()) {
            return false;
        }
    }
    return true;
}

void PanelTest::Settle() const {
    WaitUntilDoneOrQuiet(
        [this] {
            const CSensor* proxy = m_panel ? m_panel->Sensor() : nullptr;
            return proxy == nullptr || !proxy->IsBusy();
        },
        [this] { return SensorsHeardAll(); }, 2s);
}

PanelTest::~PanelTest() {
    m_panel.reset();
    m_sensors.clear();
}

SimConfig PanelTest::Model(unsigned modelCode) {
    SimConfig config;
    config.ModelCode = modelCode;
    config.Pacing = false;
    return config;
}

LoggedSensor& PanelTest::StartSensor(SimConfig config, const std::string& portName) {
    const std::string link = m_dir + "/sensor" + std::to_string(m_sensors.size() + 1);
    m_sensors.push_back(std::make_unique<LoggedSensor>(std::move(config), link));
    m_environment.PortOverrides.Set(portName, m_sensors.back()->Path());
    return *m_sensors.back();
}

void PanelTest::WritePreferences(const std::string& text) {
    std::filesystem::create_directories(
        std::filesystem::path(m_environment.PreferencesPath).parent_path());
    std::ofstream(m_environment.PreferencesPath) << text;
}

std::string PanelTest::ReadPreferences() const {
    std::ifstream file(m_environment.PreferencesPath);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void PanelTest::SetUpChannels(LoggedSensor& sensor, const std::vector<ChannelSetup>& channels) {
    CNotificationQueue queue;
    CSensor proxy;
    proxy.SetWindow(&queue);
    ASSERT_TRUE(proxy.Connect(sensor.Path()));
    const auto timeout = std::chrono::milliseconds(2000);
    for (const ChannelSetup& setup : channels) {
        ASSERT_TRUE(proxy.RequestChannel(setup.Channel));
        ASSERT_TRUE(queue.PopMessage(WM_SENSOR_CHANNEL, timeout));
        ASSERT_TRUE(proxy.SendChannel(setup.Channel, setup.MatchOutput, setup.Enabled,
                                      MODE_COLOR_ONLY, setup.Red, setup.Green, setup.Blue, 10.0,
                                      10.0, 10.0));
        ASSERT_TRUE(queue.PopMessage(WM_SENSOR_CHANNEL_SENT, timeout));
    }
    proxy.Disconnect();
}

void PanelTest::OpenPanel() {
    m_panel = std::make_unique<CSpectrelDlg>(m_view, m_environment);
    m_panel->OnInitDialog();
}

void PanelTest::OpenTaughtPanel() {
    LoggedSensor& sensor = StartSensor(Model(6));
    SetUpChannels(sensor,
                  {{1, OUTPUT_HIGH, 1, 40.0, 40.0, 20.0}, {2, OUTPUT_HIGH, 0, 10.0, 10.0, 20.0}});
    OpenPanel();
    ASSERT_TRUE(WaitReady());
}

void PanelTest::Select(int index) {
    m_view.Controls.SelectedChannel = index;
    m_panel->OnSelchangeChannel();
}

bool PanelTest::WaitReady(std::chrono::milliseconds timeout) {
    return m_view.PumpUntil(
        *m_panel,
        [this] {
            return m_panel->IsPanelReady() &&
                   m_panel->StatusText() == m_panel->ModelName() + " on line";
        },
        timeout);
}

bool PanelTest::WaitStatus(const std::string& status, std::chrono::milliseconds timeout) {
    return m_view.PumpUntil(
        *m_panel, [&] { return m_panel->StatusText() == status; }, timeout);
}

bool PanelTest::WaitReading() {
    const int before = m_view.Delivered(WM_SENSOR_DATA);
    return m_view.PumpUntil(*m_panel, [&] { return m_view.Delivered(WM_SENSOR_DATA) > before; });
}
