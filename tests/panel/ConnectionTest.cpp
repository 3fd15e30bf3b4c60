#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

#include "PanelFixture.h"
#include "common/ErrorText.h"
#include "link/SerialPort.h"
#include "sensor/Protocol.h"
#include "sensor/Sensor.h"
#include "tests/support/Deadline.h"

using namespace std::chrono_literals;

struct ModelCase {
    unsigned Code;
    const char* Name;
    unsigned Channels;
    bool Logging;
};

// Names each case in the test list by its model: the default print shows the case's raw bytes,
// padding and pointer included, so the list changed from build to build.
void PrintTo(const ModelCase& model, std::ostream* out) {
    *out << model.Name;
}

class FirstContactTest : public PanelTest, public ::testing::WithParamInterface<ModelCase> {};

// The first-contact chain identifies the sensor, reads its version, settings and every channel,
// then polls its readings; the model decides the rows of the "Recognized Colors" area.
TEST_P(FirstContactTest, ReadsTheWholeSensorAndShowsItsRows) {
    const ModelCase& model = GetParam();
    LoggedSensor& sensor = StartSensor(Model(model.Code));
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    ASSERT_TRUE(WaitReading());

    EXPECT_EQ(m_view.RichStatus, std::string(model.Name) + " on line");
    EXPECT_EQ(m_view.BoldLength, std::string(model.Name).size());
    EXPECT_EQ(m_view.Controls.SerialNumberText, "SIM0000000000001");
    EXPECT_EQ(m_panel->ConnectedSerial(), "SIM0000000000001");

    std::vector<std::string> expected = {"!i", "!v", "!s"};
    for (unsigned channel = 0; channel < model.Channels; ++channel) {
        expected.push_back("!c," + FormatHex(channel, 1));
    }
    expected.push_back("!d");
    std::vector<std::string> seen = sensor.Commands();
    seen.resize(std::min(seen.size(), expected.size()));
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(m_panel->Sensor()->IsDataPolling());
    EXPECT_FALSE(m_panel->Sensor()->IsIdentifyPolling());

    const SensorSettings settings = sensor.Sim().Settings();
    EXPECT_EQ(m_view.Controls.AveragingIndex, static_cast<int>(settings.Averaging));
    EXPECT_EQ(m_view.Controls.TriggeringIndex, static_cast<int>(settings.Triggering));
    EXPECT_EQ(m_view.Controls.OutputDurationIndex, static_cast<int>(settings.OutputDelay));
    char illumination[8];
    std::snprintf(illumination, sizeof illumination, "%3u", settings.Illumination);
    EXPECT_EQ(m_view.Controls.IlluminationText, illumination);
    EXPECT_EQ(m_view.SliderPosition, static_cast<int>(settings.Illumination));

    EXPECT_EQ(m_view.ComboItems[IDC_CHANNEL].size(), model.Channels);
    EXPECT_EQ(m_view.Controls.SelectedChannel, 0);
    EXPECT_FALSE(m_view.Controls.ToleranceTexts[0].empty());
    EXPECT_FALSE(m_view.Controls.ReadingTexts[0].empty());

    const bool fifteen = model.Channels == 15;
    EXPECT_EQ(m_view.Texts[IDC_RECOGNIZED_GROUP],
              fifteen ? "Recognized Color" : "Recognized Colors");
    EXPECT_EQ(m_view.Controls.FirstRowLabel, fifteen ? "Channel" : "Channel 1");
    for (int row = 0; row < RECOGNIZED_ROWS; ++row) {
        const bool shown = fifteen ? row == 0 : row < static_cast<int>(model.Channels);
        EXPECT_EQ(m_view.Shown(ROW_LABELS[row]), shown) << "row " << row + 1;
        EXPECT_EQ(m_view.Shown(RECOGNIZED_FIELDS[row]), shown) << "row " << row + 1;
        EXPECT_EQ(m_view.Shown(INDICATORS[row]), shown && !fifteen) << "row " << row + 1;
    }
    EXPECT_EQ(m_view.StatusBar, model.Logging ? "Data logging inactive" : "");

    // Nothing differs from the sensor yet: nothing to read back or send, but a channel to teach;
    // the untaught channel 1 is in "Color only" mode, which Manual Entry does not type.
    EXPECT_TRUE(m_panel->AreControlsEnabled());
    for (ControlId id : {IDC_READ_SETTINGS, IDC_SEND_SETTINGS, IDC_READ_ALL_CHANNELS,
                         IDC_SEND_ALL_CHANNELS, IDC_MANUAL}) {
        EXPECT_FALSE(m_view.IsEnabled(id)) << "control " << id;
    }
    EXPECT_TRUE(m_view.IsEnabled(IDC_TEACH_CHANNEL));
    EXPECT_TRUE(m_view.IsEnabled(IDC_MULTI_SAMPLE_TEACH));
}

INSTANTIATE_TEST_SUITE_P(Models, FirstContactTest,
                         ::testing::Values(ModelCase{1, "Spectrel-1", 1, false},
                                           ModelCase{6, "Spectrel-4", 4, true},
                                           ModelCase{7, "Spectrel-7", 7, false},
                                           ModelCase{9, "Spectrel-15", 15, true}));

class UnnamedCodeTest : public PanelTest, public ::testing::WithParamInterface<unsigned> {};

// Codes 11 to 13 name no model: a sensor first met with one has its settings read, offers no
// channels and is not asked for any.
TEST_P(UnnamedCodeTest, FirstContactOffersNoChannels) {
    LoggedSensor& sensor = StartSensor(Model(GetParam()));
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(m_panel->ModelCode(), GetParam());
    EXPECT_EQ(m_panel->ChannelCount(), 0);
    EXPECT_TRUE(m_view.ComboItems[IDC_CHANNEL].empty());
    EXPECT_EQ(m_view.Controls.SelectedChannel, -1);
    EXPECT_FALSE(m_panel->IsLoggingAvailable());
    EXPECT_FALSE(m_view.Shown(INDICATORS[0]));
    EXPECT_TRUE(sensor.SawSince(0, "!s"));
    EXPECT_FALSE(sensor.SawSince(0, "!c,0"));
    EXPECT_TRUE(m_panel->Sensor()->IsDataPolling());
    EXPECT_TRUE(m_view.Messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Codes, UnnamedCodeTest, ::testing::Values(11U, 12U, 13U));

// With nothing answering, the first identify time-out says so once and polling goes on, so a
// sensor that starts answering later is still found.
TEST_F(PanelTest, NoSensorIsReportedAndPollingGoesOn) {
    LoggedSensor& sensor = StartSensor(Model(6));
    sensor.Sim().SetSilent(true);
    const auto start = m_clock.Now();
    OpenPanel();
    EXPECT_EQ(m_view.RichStatus, "Waiting for Spectrel...");
    EXPECT_EQ(m_view.BoldLength, 0U);

    ASSERT_TRUE(WaitStatus("No Spectrel found!", 14000ms));
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(m_clock.Now() - start);
    std::printf("identify time-out after %lld ms (21 misses at 500 ms)\n",
                static_cast<long long>(elapsed.count()));
    EXPECT_GT(elapsed, 10000ms);
    EXPECT_TRUE(m_panel->Sensor()->IsIdentifyPolling());
    EXPECT_TRUE(m_view.Messages.empty());

    const auto heard = sensor.Sim().CommandsReceived();
    EXPECT_TRUE(m_view.PumpUntil(
        *m_panel, [&] { return sensor.Sim().CommandsReceived() > heard; }, 2000ms));
    sensor.Sim().SetSilent(false);
    EXPECT_TRUE(WaitReady(3000ms));
}

// A sensor that stops answering while ready empties the reading and disables the panel; the
// same sensor back is resumed without reading it again (keeping its model even when it misreports
// its code as one of 11 to 13), another one is read in full.
TEST_F(PanelTest, LostCommunicationResumesTheSameSensorAndReadsAnother) {
    LoggedSensor& sensor = StartSensor(Model(6));
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    ASSERT_TRUE(WaitReading());
    const PanelValues ready = m_view.Controls;
    ASSERT_FALSE(ready.RecognizedTexts[0].empty());

    const auto start = m_clock.Now();
    sensor.Sim().SetSilent(true);
    ASSERT_TRUE(WaitStatus("Communication lost!", 8000ms));
    std::printf(
        "data time-out after %lld ms (5500 ms budget at 300 ms)\n",
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(m_clock.Now() - start).count()));
    EXPECT_EQ(m_view.BoldLength, 0U);
    EXPECT_EQ(m_view.Controls.ReadingTexts, (std::array<std::string, 3>{}));
    EXPECT_EQ(m_view.Controls.RecognizedTexts, (std::array<std::string, 7>{}));
    for (ChartProperty property : {CHART_RED, CHART_GREEN, CHART_BLUE}) {
        EXPECT_EQ(m_view.Chart(IDC_CHART, property), 0);
    }
    EXPECT_EQ(m_view.Chart(IDC_INDICATOR_1, CHART_BLUE), 0);
    EXPECT_FALSE(m_panel->AreControlsEnabled());
    EXPECT_FALSE(m_panel->IsPanelReady());
    EXPECT_FALSE(m_panel->Sensor()->IsDataPolling());
    EXPECT_TRUE(m_panel->Sensor()->IsIdentifyPolling());
    EXPECT_EQ(m_view.Controls.AveragingIndex, ready.AveragingIndex);

    m_panel->OnAbout();
    ASSERT_EQ(m_view.AboutBoxes.size(), 1U);
    EXPECT_EQ(m_view.AboutBoxes[0].FirmwareLine, "Firmware version 1.13");

    m_view.ClearDelivered();
    std::size_t mark = sensor.Mark();
    sensor.Sim().SetModelCode(12);
    sensor.Sim().SetSilent(false);
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(m_panel->ModelCode(), 12U);
    EXPECT_EQ(m_view.RichStatus, "Spectrel-4 on line");
    EXPECT_EQ(m_view.ComboItems[IDC_CHANNEL].size(), 4U);
    EXPECT_TRUE(m_view.Shown(INDICATORS[3]));
    EXPECT_FALSE(m_panel->IsLoggingAvailable());
    EXPECT_EQ(m_view.StatusBar, "");
    EXPECT_EQ(m_view.Delivered(WM_SENSOR_SETTINGS), 0);
    EXPECT_EQ(m_view.Delivered(WM_SENSOR_CHANNEL), 0);
    EXPECT_TRUE(sensor.SawSince(mark, "!v"));
    EXPECT_FALSE(sensor.SawSince(mark, "!s"));
    EXPECT_FALSE(sensor.SawSince(mark, "!c,0"));
    EXPECT_TRUE(m_panel->Sensor()->IsDataPolling());
    EXPECT_TRUE(WaitReading());
    EXPECT_FALSE(m_view.Controls.ReadingTexts[0].empty());

    // An identity reply that arrives while identified changes nothing.
    mark = sensor.Mark();
    m_panel->OnSensorIdentity();
    EXPECT_TRUE(m_panel->Sensor()->IsDataPolling());
    EXPECT_FALSE(sensor.SawSince(mark, "!v"));

    sensor.Sim().SetSilent(true);
    ASSERT_TRUE(WaitStatus("Communication lost!", 8000ms));
    m_view.ClearDelivered();
    mark = sensor.Mark();
    sensor.Sim().SetModelCode(6);
    sensor.Sim().SetSerialNumber("SIM0000000000002");
    sensor.Sim().SetSilent(false);
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(m_view.Delivered(WM_SENSOR_SETTINGS), 1);
    EXPECT_EQ(m_view.Delivered(WM_SENSOR_CHANNEL), 4);
    EXPECT_TRUE(sensor.SawSince(mark, "!s"));
    EXPECT_EQ(m_view.Controls.SerialNumberText, "SIM0000000000002");
    EXPECT_EQ(m_panel->ConnectedSerial(), "SIM0000000000002");
}

// Another port or Reset starts from scratch and reads the sensor in full, even the same one;
// choosing the port already in use changes nothing.
TEST_F(PanelTest, PortChangeAndResetReadInFullAndTheSamePortDoesNothing) {
    LoggedSensor& first = StartSensor(Model(6), "COM1");
    SimConfig config = Model(7);
    config.SerialNumber = "SIM0000000000007";
    LoggedSensor& second = StartSensor(config, "COM2");
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    ASSERT_TRUE(WaitReading());
    EXPECT_EQ(m_view.ToolTips[IDC_PORT], first.Path());

    std::size_t mark = first.Mark();
    m_view.Controls.PortIndex = 0;
    m_panel->OnSelchangePort();
    m_view.PumpFor(*m_panel, 700ms);
    EXPECT_TRUE(m_panel->IsPanelReady());
    EXPECT_FALSE(first.SawSince(mark, "!i"));
    EXPECT_FALSE(m_view.Controls.ReadingTexts[0].empty());

    m_view.Controls.PortIndex = 1;
    m_panel->OnSelchangePort();
    EXPECT_EQ(m_panel->PortName(), "COM2");
    EXPECT_EQ(m_view.Controls.SerialNumberText, "");
    EXPECT_EQ(m_view.Controls.ReadingTexts[0], "");
    EXPECT_EQ(m_view.ToolTips[IDC_PORT], second.Path());
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(m_panel->ModelName(), "Spectrel-7");
    // The sensor logs a command after its answer has gone out, which the panel may have read.
    EXPECT_TRUE(WaitUntil([&] { return second.SawSince(0, "!c,6"); }, 1000ms));
    EXPECT_TRUE(second.SawSince(0, "!s"));
    CSerialPort released;
    EXPECT_TRUE(released.Open(first.Path())) << "the old port is still held";

    m_view.ClearDelivered();
    mark = second.Mark();
    m_panel->OnReset();
    EXPECT_EQ(m_view.Controls.SerialNumberText, "");
    EXPECT_EQ(m_view.Controls.AveragingIndex, -1);
    EXPECT_EQ(m_view.Controls.SelectedChannel, -1);
    EXPECT_EQ(m_view.Controls.ToleranceSteps, (std::array<int, 3>{1, 1, 1}));
    for (ControlId indicator : INDICATORS) {
        EXPECT_EQ(m_view.ChartStyles[indicator], "Pie");
        EXPECT_EQ(m_view.Chart(indicator, CHART_BLUE), 0);
    }
    EXPECT_EQ(m_view.SpinRange[IDC_TOLERANCE_GREEN_SPIN], (std::pair<int, int>{1, 100}));
    EXPECT_FALSE(m_panel->AreControlsEnabled());
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(m_view.Delivered(WM_SENSOR_SETTINGS), 1);
    EXPECT_EQ(m_view.Delivered(WM_SENSOR_CHANNEL), 7);
    EXPECT_TRUE(second.SawSince(mark, "!i"));
}

// Reset while the device is unplugged: the old connection (its re-open loop and its polling)
// ends, the failed open is reported with its own reason, and nothing talks to the device when
// it comes back until the user resets again.
TEST_F(PanelTest, ResetWhileTheDeviceIsGoneEndsTheOldConnection) {
    // Under a link name, as a udev rule gives an adapter: the pseudo-terminal that comes back
    // may have another number.
    VirtualSensor sensor(Model(6));
    const std::string link = m_dir + "/ttySpectrel";
    ASSERT_TRUE(sensor.Start(link)) << sensor.Error();
    m_environment.PortOverrides.Set("COM1", link);
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    sensor.HangUp();
    ASSERT_TRUE(m_view.PumpUntil(
        *m_panel, [&] { return !m_panel->Sensor()->IsLinkUp(); }, 3000ms));
    m_view.Messages.clear();

    m_panel->OnReset();
    ASSERT_EQ(m_view.Messages.size(), 1U);
    EXPECT_EQ(m_view.Messages[0].Text,
              "Error opening port COM1\n" + link + ": No such file or directory");
    EXPECT_EQ(m_view.RichStatus, "Communications disabled");
    EXPECT_FALSE(m_panel->Sensor()->IsConnected());

    sensor.Replug();
    const auto received = sensor.CommandsReceived();
    m_view.PumpFor(*m_panel, 1500ms);
    EXPECT_EQ(sensor.CommandsReceived(), received) << "the old connection still polls";
    EXPECT_EQ(m_view.RichStatus, "Communications disabled");

    m_panel->OnReset();
    EXPECT_TRUE(WaitReady());
}

// An identity reply of the old connection still queued when the port changes must not show
// the old sensor under the new port.
TEST_F(PanelTest, ANotificationQueuedBeforeAPortChangeDoesNotActAfterIt) {
    StartSensor(Model(6), "COM1");
    LoggedSensor& silent = StartSensor(Model(7), "COM2");
    silent.Sim().SetSilent(true);
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    m_view.Queue.PostFrom(m_panel->Sensor()->Connection(), WM_SENSOR_IDENTITY, 0);

    m_view.Controls.PortIndex = 1;
    m_panel->OnSelchangePort();
    m_view.PumpFor(*m_panel, 300ms);
    EXPECT_EQ(m_view.Controls.SerialNumberText, "");
    EXPECT_EQ(m_panel->ModelCode(), 0U);
    EXPECT_EQ(m_view.RichStatus, "Waiting for Spectrel...");
    EXPECT_TRUE(m_panel->Sensor()->IsIdentifyPolling());
}

// A port that does not open is always reported, whatever the warnings say.
TEST_F(PanelTest, APortThatCannotOpenDisablesCommunications) {
    WritePreferences("[Settings]\nWarnings=None\n[Ports]\nCOM1=/nonexistent/ttySpectrel\n");
    OpenPanel();
    ASSERT_EQ(m_view.Messages.size(), 1U);
    EXPECT_EQ(
        m_view.Messages[0].Text.rfind("Error opening port COM1\n/nonexistent/ttySpectrel: ", 0), 0U)
        << m_view.Messages[0].Text;
    EXPECT_EQ(m_view.Messages[0].Caption, "Spectrel");
    EXPECT_EQ(m_view.Messages[0].Icon, ICON_EXCLAMATION);
    EXPECT_EQ(m_view.RichStatus, "Communications disabled");
    EXPECT_FALSE(m_panel->Sensor()->IsConnected());
    EXPECT_EQ(m_view.ToolTips[IDC_PORT], "/nonexistent/ttySpectrel");
    EXPECT_FALSE(m_view.IsEnabled(IDC_READ_SETTINGS));
    EXPECT_FALSE(m_view.IsEnabled(IDC_READ_ALL_CHANNELS));
}

// A port another program holds is worded as such, by the client too.
TEST_F(PanelTest, APortHeldByAnotherProgramIsSaidToBeInUse) {
    LoggedSensor& sensor = StartSensor(Model(6));
    CSerialPort other;
    ASSERT_TRUE(other.Open(sensor.Path()));
    OpenPanel();
    ASSERT_EQ(m_view.Messages.size(), 1U);
    EXPECT_EQ(m_view.Messages[0].Text, "Error opening port COM1\n" + sensor.Path() +
                                           ": the port is in use by another program");
    EXPECT_EQ(PortErrorText("open", "/dev/ttyUSB0", EWOULDBLOCK),
              "cannot open /dev/ttyUSB0: the port is in use by another program");
}

// The version request after an identity reply cannot be written (the device went away between
// the two): identification starts over instead of stopping with nothing polling.
TEST_F(PanelTest, AnUnwritableVersionRequestStartsIdentificationOver) {
    LoggedSensor& sensor = StartSensor(Model(6));
    sensor.Sim().SetSilent(true);
    OpenPanel();
    ASSERT_TRUE(m_panel->Sensor()->IsIdentifyPolling());
    sensor.Sim().HangUp();
    m_panel->OnSensorIdentity();
    EXPECT_TRUE(m_panel->Sensor()->IsIdentifyPolling());
}

// Closing saves the preferences, releases the port and leaves nothing polling it.
TEST_F(PanelTest, ShutDownSavesPreferencesAndReleasesThePort) {
    LoggedSensor& sensor = StartSensor(Model(6));
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    m_panel->OnDisplayColorOnly();
    m_panel->OnWarningsApplication();

    m_panel->OnFileExit();
    EXPECT_EQ(m_view.CloseRequests, 1);
    m_panel->OnClose();
    EXPECT_EQ(m_panel->Sensor(), nullptr);
    const std::string stored = ReadPreferences();
    EXPECT_NE(stored.find("COM Port=COM1"), std::string::npos) << stored;
    EXPECT_NE(stored.find("Warnings=Recognition,Sensor\n"), std::string::npos) << stored;
    EXPECT_NE(stored.find("DisplayColorOnly=1"), std::string::npos) << stored;
    EXPECT_TRUE(m_view.Messages.empty());

    CSerialPort port;
    EXPECT_TRUE(port.Open(sensor.Path()));
    const auto heard = sensor.Sim().CommandsReceived();
    m_clock.Advance(1200ms);
    EXPECT_FALSE(WaitUntil([&] { return sensor.Sim().CommandsReceived() != heard; }, 100ms));

    // Notifications still queued after the close find no sensor and change nothing.
    m_view.Queue.Post(WM_SENSOR_DATA, 0);
    m_view.Queue.Post(WM_SENSOR_TIMEOUT, SENSOR_TIMEOUT_DATA);
    m_view.PumpFor(*m_panel, 50ms);
    EXPECT_EQ(m_panel->StatusText(), "Spectrel-4 on line");
}
