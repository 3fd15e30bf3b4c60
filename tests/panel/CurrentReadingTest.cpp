#include <gtest/gtest.h>

#include <clocale>

#include "PanelFixture.h"
#include "common/PanelFormat.h"
#include "profile/PanelChannel.h"
#include "sensor/Sensor.h"

using namespace std::chrono_literals;

namespace {

using Texts = std::array<std::string, 3>;

std::array<int, 3> MainChart(const FakeView& view) {
    return {view.Chart(IDC_CHART, CHART_RED), view.Chart(IDC_CHART, CHART_GREEN),
            view.Chart(IDC_CHART, CHART_BLUE)};
}

} // namespace

// "Color && Luminosity" shows the colour as read on bars; "Color only" shows its proportions on
// a pie. Full scale must reach the chart's 255.
TEST_F(PanelTest, DisplayModesShowTheReadingAsReadOrInProportion) {
    SimConfig config = Model(6);
    config.TargetRed = 100.0;
    config.TargetGreen = 50.0;
    config.TargetBlue = 25.0;
    LoggedSensor& sensor = StartSensor(config);
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    ASSERT_TRUE(WaitReading());
    EXPECT_EQ(m_view.ChartStyles[IDC_CHART], "Bar");
    EXPECT_EQ(m_view.Controls.ReadingTexts, (Texts{"100.0", "50.0", "25.0"}));
    EXPECT_EQ(MainChart(m_view), (std::array<int, 3>{255, 127, 63}));

    m_panel->OnDisplayColorOnly();
    EXPECT_EQ(m_view.ChartStyles[IDC_CHART], "Pie");
    EXPECT_FALSE(m_view.Shown(IDC_LABEL_80));
    EXPECT_FALSE(m_view.Shown(IDC_LABEL_20));
    EXPECT_EQ(m_view.Controls.DisplayMode, 1);
    EXPECT_EQ(m_view.Controls.ReadingTexts, (Texts{"57.1", "28.6", "14.3"}));
    EXPECT_EQ(MainChart(m_view), (std::array<int, 3>{145, 72, 36}));

    sensor.Sim().SetTarget(10.0, 10.0, 20.0);
    EXPECT_TRUE(m_view.PumpUntil(*m_panel, [&] {
        return m_view.Controls.ReadingTexts == Texts{"25.0", "25.0", "50.0"};
    }));

    // Black has no proportions: shown as zeros, without dividing by the sum.
    sensor.Sim().SetTarget(0.0, 0.0, 0.0);
    EXPECT_TRUE(m_view.PumpUntil(*m_panel, [&] {
        return m_view.Controls.ReadingTexts == Texts{" 0.0", " 0.0", " 0.0"};
    }));
    EXPECT_EQ(MainChart(m_view), (std::array<int, 3>{0, 0, 0}));

    m_panel->OnDisplayColorLuminosity();
    EXPECT_EQ(m_view.ChartStyles[IDC_CHART], "Bar");
    EXPECT_TRUE(m_view.Shown(IDC_LABEL_80));
    EXPECT_TRUE(m_view.Shown(IDC_LABEL_20));
}

// Without a ready sensor a display-mode change restyles the chart and leaves the fields empty.
TEST_F(PanelTest, DisplayModeWithoutASensorOnlyRestylesTheChart) {
    m_environment.PortOverrides.Set("COM1", "/nonexistent/ttySpectrel");
    OpenPanel();
    m_panel->OnDisplayColorOnly();
    EXPECT_EQ(m_view.ChartStyles[IDC_CHART], "Pie");
    EXPECT_FALSE(m_view.Shown(IDC_LABEL_80));
    EXPECT_EQ(m_view.Controls.ReadingTexts, Texts{});
    m_panel->OnDisplayColorLuminosity();
    EXPECT_EQ(m_view.ChartStyles[IDC_CHART], "Bar");
    EXPECT_TRUE(m_view.Shown(IDC_LABEL_20));
    EXPECT_EQ(m_view.Controls.ReadingTexts, Texts{});
}

// A bit per channel: the indicator turns blue on a match, and the text gives the level of the
// channel's output line (a High output reads High while matching, a Low one reads Low).
TEST_F(PanelTest, BitMaskRowsShowEachChannelsOutputLevel) {
    LoggedSensor& sensor = StartSensor(Model(6));
    const SimConfig target = Model(6);
    const double r = target.TargetRed, g = target.TargetGreen, b = target.TargetBlue;
    SetUpChannels(sensor, {{1, OUTPUT_HIGH, 1, r, g, b},
                           {2, OUTPUT_HIGH, 0, r, g, b},
                           {3, OUTPUT_LOW, 1, r, g, b},
                           {4, OUTPUT_LOW, 0, r, g, b}});
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    ASSERT_TRUE(WaitReading());

    EXPECT_EQ(m_view.Controls.RecognizedTexts[0], "High");
    EXPECT_EQ(m_view.Controls.RecognizedTexts[1], "Low");
    EXPECT_EQ(m_view.Controls.RecognizedTexts[2], "Low");
    EXPECT_EQ(m_view.Controls.RecognizedTexts[3], "High");
    EXPECT_EQ(m_view.Controls.RecognizedTexts[4], "");
    for (int row : {0, 2}) {
        EXPECT_EQ(m_view.Chart(INDICATORS[row], CHART_BLUE), 255) << "row " << row + 1;
    }
    for (int row : {1, 3}) {
        EXPECT_EQ(m_view.Chart(INDICATORS[row], CHART_BLUE), 0) << "row " << row + 1;
    }
    EXPECT_EQ(m_view.Chart(INDICATORS[0], CHART_RED), 0);

    // Disabled channels grey their row labels; channel 1 is selected for the user.
    EXPECT_TRUE(m_view.IsEnabled(IDC_ROW_LABEL_1));
    EXPECT_FALSE(m_view.IsEnabled(IDC_ROW_LABEL_2));
    EXPECT_TRUE(m_view.IsEnabled(IDC_ROW_LABEL_3));
    EXPECT_FALSE(m_view.IsEnabled(IDC_ROW_LABEL_4));
    EXPECT_EQ(m_view.Controls.SelectedChannel, 0);
    EXPECT_EQ(m_view.Controls.ChannelEnabled, 1);
    EXPECT_EQ(m_view.Controls.ChannelMode, static_cast<int>(MODE_COLOR_ONLY));
    EXPECT_EQ(m_view.Controls.LuminosityText, "");
}

// The fifteen-channel model reports the number of the one channel it recognizes.
TEST_F(PanelTest, FifteenChannelRowShowsTheRecognizedChannel) {
    LoggedSensor& sensor = StartSensor(Model(9));
    const SimConfig target = Model(9);
    SetUpChannels(sensor,
                  {{12, OUTPUT_HIGH, 1, target.TargetRed, target.TargetGreen, target.TargetBlue}});
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    ASSERT_TRUE(WaitReading());
    EXPECT_EQ(m_view.Controls.RecognizedTexts[0], "  12");

    sensor.Sim().SetTarget(90.0, 5.0, 5.0);
    EXPECT_TRUE(
        m_view.PumpUntil(*m_panel, [&] { return m_view.Controls.RecognizedTexts[0] == "None"; }));
    EXPECT_FALSE(m_view.Shown(IDC_INDICATOR_1));
    EXPECT_EQ(m_view.Controls.RecognizedTexts[1], "");
}

// The read commands stop polling, read again, take the sensor's values and poll again; the read
// buttons are offered only while the panel differs from the sensor.
TEST_F(PanelTest, ReadCommandsRereadTheSensorAndResumePolling) {
    LoggedSensor& sensor = StartSensor(Model(6));
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    const int averaging = static_cast<int>(sensor.Sim().Settings().Averaging);
    m_view.Controls.AveragingIndex = (averaging + 1) % 7;
    ASSERT_TRUE(WaitReading());
    EXPECT_EQ(m_panel->Values().AveragingIndex, (averaging + 1) % 7);

    m_view.ClearDelivered();
    m_panel->OnReadAllChannels();
    EXPECT_FALSE(m_panel->AreControlsEnabled());
    EXPECT_FALSE(m_panel->Sensor()->IsDataPolling());
    ASSERT_TRUE(m_view.PumpUntil(*m_panel, [&] { return m_panel->AreControlsEnabled(); }));
    EXPECT_EQ(m_view.Delivered(WM_SENSOR_CHANNEL), 4);
    EXPECT_TRUE(m_panel->Sensor()->IsDataPolling());
    EXPECT_TRUE(m_view.IsEnabled(IDC_READ_SETTINGS));
    EXPECT_TRUE(m_view.SendFollowsRead());
    EXPECT_FALSE(m_view.IsEnabled(IDC_READ_ALL_CHANNELS));

    const std::size_t mark = sensor.Mark();
    m_panel->OnReadSettings();
    EXPECT_FALSE(m_panel->AreControlsEnabled());
    ASSERT_TRUE(m_view.PumpUntil(*m_panel, [&] { return m_panel->AreControlsEnabled(); }));
    EXPECT_TRUE(sensor.SawSince(mark, "!s"));
    EXPECT_EQ(m_view.Controls.AveragingIndex, averaging);
    EXPECT_FALSE(m_view.IsEnabled(IDC_READ_SETTINGS));
    EXPECT_TRUE(m_panel->Sensor()->IsDataPolling());
    EXPECT_TRUE(WaitReading());
}

// The panel's channel copy differs from the sensor's exactly when a send would write a field:
// colours count, and so do tolerances, as far as the wire carries them.
TEST(PanelChannelTest, ComparisonWithTheSensorIsWhatASendWouldWrite) {
    ChannelDefinition sensor;
    sensor.Enabled = 1;
    sensor.Mode = MODE_COLOR_LUMINOSITY;
    sensor.RedSetting = 40.0;
    sensor.GreenSetting = 30.0;
    sensor.BlueSetting = 20.0;
    sensor.RedTolerance = sensor.GreenTolerance = sensor.BlueTolerance = 20.0;
    ChannelPercentToBounds(sensor);
    PanelChannel panel;
    panel.TakeFrom(sensor);
    EXPECT_TRUE(panel.MatchesSensor(sensor));
    EXPECT_DOUBLE_EQ(panel.Luminosity, 30.0);

    panel.RedSetting = 60.0;
    EXPECT_FALSE(panel.MatchesSensor(sensor)) << "a colour alone";
    panel.RedSetting = 40.0;
    panel.GreenTolerance = 20.000000000000004; // stepped up and back
    panel.RedTolerance = 20.000001;            // as six digits keep it
    EXPECT_TRUE(panel.MatchesSensor(sensor));
    panel.BlueTolerance = 20.5;
    EXPECT_FALSE(panel.MatchesSensor(sensor));
    panel.BlueTolerance = 20.0;
    panel.MatchOutput = OUTPUT_LOW;
    EXPECT_FALSE(panel.MatchesSensor(sensor));

    panel.Done = 1;
    panel.Reset();
    EXPECT_EQ(panel.Done, 1);
    EXPECT_EQ(panel.RedTolerance, 0.5);
    EXPECT_EQ(panel.Mode, static_cast<int>(MODE_COLOR_ONLY));
}

// Half-percent steps round to the nearest half, a quarter going up.
TEST(PanelChannelTest, ToleranceSteps) {
    EXPECT_EQ(ToleranceStep(1.24), 2);
    EXPECT_EQ(ToleranceStep(1.25), 3);
    EXPECT_EQ(ToleranceStep(2.0), 4);
    EXPECT_EQ(ToleranceStep(50.0), 100);
}

// Texts keep a '.' whatever the user's locale, and "%4.1f" pads to four characters.
TEST(PanelFormatTest, PercentTextsIgnoreTheLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no de_DE locale";
    }
    EXPECT_EQ(FormatPercent(5.0), " 5.0");
    EXPECT_EQ(FormatPercent(33.333333333333336), "33.3");
    EXPECT_EQ(FormatPercent(100.0), "100.0");
    EXPECT_EQ(FormatInteger(7, 3), "  7");
    std::setlocale(LC_ALL, previous.c_str());
}
