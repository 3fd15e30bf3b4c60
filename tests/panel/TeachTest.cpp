#include <gtest/gtest.h>

#include "PanelFixture.h"
#include "common/PanelTexts.h"
#include "sensor/Sensor.h"
#include "tests/support/Deadline.h"

using namespace std::chrono_literals;

namespace {

using Texts = std::array<std::string, 3>;

// Sees the target at 40/30/20 %. Taught bounds are at least `minHalfWidth` counts either side:
// with 2000, a 10 % tolerance holds for red but is widened for green and blue.
SimConfig Sensing(unsigned model, unsigned minHalfWidth = 64) {
    SimConfig config;
    config.ModelCode = model;
    config.Pacing = false;
    config.TeachMinHalfWidth = minHalfWidth;
    return config;
}

} // namespace

class TeachTest : public PanelTest {
protected:
    // Channel 1 enabled in "Color only" with 10 % tolerances, then read by the panel.
    void Open(SimConfig config) {
        LoggedSensor& sensor = StartSensor(std::move(config));
        SetUpChannels(sensor, {{1, OUTPUT_HIGH, 1, 50.0, 50.0, 50.0}});
        OpenPanel();
        ASSERT_TRUE(WaitReady());
    }

    bool Teach() {
        m_panel->OnTeachChannel();
        return m_view.PumpUntil(*m_panel, [&] { return m_panel->AreControlsEnabled(); });
    }
};

// The teach command carries the channel's tolerances; while it runs the panel is disabled with
// the teaching status; the reply's colour is shown in the panel's mode and nothing is reported
// when the bounds are those the tolerances give.
TEST_F(TeachTest, TeachShowsTheTaughtColourAndReturnsToReady) {
    ASSERT_NO_FATAL_FAILURE(Open(Sensing(6)));
    const double requested = m_panel->Channel(0).RedTolerance;
    const std::size_t mark = m_sensors.front()->Mark();
    m_panel->OnTeachChannel();
    EXPECT_EQ(m_panel->StatusText(), "Teaching channel 1...");
    EXPECT_EQ(m_view.BoldLength, 0U);
    EXPECT_FALSE(m_panel->AreControlsEnabled());
    EXPECT_FALSE(m_panel->Sensor()->IsDataPolling());
    ASSERT_TRUE(m_view.PumpUntil(*m_panel, [&] { return m_panel->AreControlsEnabled(); }));

    EXPECT_TRUE(m_sensors.front()->SawSince(mark, "!T,0,,,,186AC,186AC,186AC"));
    EXPECT_TRUE(m_view.Messages.empty());
    EXPECT_EQ(m_panel->Channel(0).RedTolerance, requested);
    EXPECT_NEAR(m_panel->Channel(0).GreenSetting, 30.0, 0.01);
    EXPECT_EQ(m_view.Controls.ColorTexts, (Texts{"44.4", "33.3", "22.2"}));
    EXPECT_EQ(m_view.Controls.LuminosityText, "");
    EXPECT_EQ(m_panel->StatusText(), "Spectrel-4 on line");
    EXPECT_EQ(m_view.BoldLength, std::string("Spectrel-4").size());
    EXPECT_TRUE(m_panel->Sensor()->IsDataPolling());
    EXPECT_TRUE(m_view.IsEnabled(IDC_TEACH_CHANNEL));
}

// Tolerances the sensor widened are reported in one information box, a line each in the order
// red, green, blue, and taken all the same; with recognition warnings off, silently.
TEST_F(TeachTest, WidenedTolerancesAreReportedInOneBox) {
    ASSERT_NO_FATAL_FAILURE(Open(Sensing(6, 2000)));
    ASSERT_TRUE(Teach());
    ASSERT_EQ(m_view.Messages.size(), 1U);
    EXPECT_EQ(m_view.Messages[0].Icon, ICON_INFORMATION);
    EXPECT_EQ(m_view.Messages[0].Text, "Green tolerance adjusted to 10.1823%\n"
                                       "Blue tolerance adjusted to 15.2742%");
    const CSensor& sensor = *m_panel->Sensor();
    EXPECT_EQ(m_panel->Channel(0).GreenTolerance, sensor.GetGreenTolerance(1));
    EXPECT_EQ(m_view.Controls.ToleranceTexts, (Texts{"10.0", "10.2", "15.3"}));
    EXPECT_EQ(m_view.Controls.ToleranceSteps, (std::array<int, 3>{20, 20, 31}));

    // Taught again with the widened tolerances, which the bounds now give: nothing to report.
    m_view.Messages.clear();
    ASSERT_TRUE(Teach());
    EXPECT_TRUE(m_view.Messages.empty());

    m_panel->OnWarningsRecognition();
    m_view.Controls.ToleranceSteps = {2, 2, 2}; // 1 %, which the sensor widens
    for (int colour = 0; colour < 3; ++colour) {
        m_panel->OnToleranceSpin(colour);
    }
    ASSERT_TRUE(Teach());
    EXPECT_TRUE(m_view.Messages.empty());
    EXPECT_GT(m_panel->Channel(0).RedTolerance, 1.0);
}

TEST(TeachReportText, TolerancesReadAsPercentG) {
    EXPECT_EQ(ToleranceAdjustedText(1, 12.345678), "Green tolerance adjusted to 12.3457%");
    EXPECT_EQ(ToleranceAdjustedText(0, 0.5), "Red tolerance adjusted to 0.5%");
    EXPECT_EQ(ToleranceAdjustedText(2, 50.0), "Blue tolerance adjusted to 50%");
}

// Only rows 1 to 7 of the models with such rows follow a taught channel's enabled state.
TEST_F(TeachTest, FinishTeachTouchesOnlyTheTaughtChannelsOwnRow) {
    ASSERT_NO_FATAL_FAILURE(Open(Sensing(9)));
    const auto before = m_view.Enabled;
    Select(1); // untaught, disabled
    ASSERT_TRUE(Teach());
    EXPECT_TRUE(m_view.IsEnabled(ROW_LABELS[0])) << "the fifteen-channel model's one row";
    EXPECT_EQ(m_view.Enabled.at(ROW_LABELS[1]), before.at(ROW_LABELS[1]));

    m_panel->FinishTeach(8);
    for (ControlId label : ROW_LABELS) {
        EXPECT_EQ(m_view.IsEnabled(label), before.count(label) != 0 && before.at(label));
    }
}

// Reset, closing the window or a pulled cable while an answer is outstanding: the normal
// paths, and a late reply is not taken for a command that is no longer running.
TEST_F(TeachTest, OutstandingAnswerEndsWithResetCloseOrLostLine) {
    ASSERT_NO_FATAL_FAILURE(Open(Sensing(6)));
    VirtualSensor& sim = m_sensors.front()->Sim();
    sim.SetSilent(true);
    m_panel->OnTeachChannel();
    ASSERT_TRUE(m_panel->IsAwaitingSensor());
    m_panel->OnReset();
    EXPECT_FALSE(m_panel->IsAwaitingSensor());
    sim.SetSilent(false);
    m_view.Queue.Post(WM_SENSOR_TEACH, 1); // as if the reply had come just before Reset
    ASSERT_TRUE(WaitReady(10s));
    EXPECT_TRUE(m_view.Messages.empty());
    EXPECT_EQ(m_panel->StatusText(), "Spectrel-4 on line");

    // The cable pulled while a send is unanswered: lost communication, and the sensor, whose
    // settings are now unknown, is read in full when it is back.
    sim.SetSilent(true);
    m_panel->OnIlluminationScroll(42);
    m_view.Answers = {RESULT_YES};
    m_panel->OnSendSettings();
    ASSERT_TRUE(WaitUntil([&] { return sim.LastCommand().rfind("!S", 0) == 0; }, 2s));
    sim.HangUp(0);
    ASSERT_TRUE(WaitStatus("Communication lost!", 10s));
    EXPECT_FALSE(m_panel->AreControlsEnabled());
    const std::size_t mark = m_sensors.front()->Mark();
    sim.SetSilent(false);
    sim.Replug();
    ASSERT_TRUE(WaitReady(10s));
    EXPECT_TRUE(m_sensors.front()->SawSince(mark, "!s"));
    EXPECT_EQ(m_panel->Values().Illumination, 100);

    sim.SetSilent(true);
    m_panel->OnTeachChannel();
    m_panel->OnClose();
    EXPECT_EQ(m_panel->Sensor(), nullptr);
    m_panel->OnSensorNotification(WM_SENSOR_TEACH, 1);
    EXPECT_EQ(m_panel->StatusText(), "Teaching channel 1...");
}
