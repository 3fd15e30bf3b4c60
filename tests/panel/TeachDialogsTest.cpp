#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "PanelFixture.h"
#include "common/PanelFormat.h"
#include "sensor/Sensor.h"
#include "teach/ManualEntryDlg.h"
#include "teach/MultiSampleTeachDlg.h"
#include "tests/support/Deadline.h"

namespace {

bool SameBounds(const ChannelDefinition& a, const ChannelDefinition& b) {
    return a.RedLow == b.RedLow && a.RedHigh == b.RedHigh && a.GreenLow == b.GreenLow &&
           a.GreenHigh == b.GreenHigh && a.BlueLow == b.BlueLow && a.BlueHigh == b.BlueHigh;
}

int Sends(const std::vector<std::string>& commands) {
    int sends = 0;
    for (const std::string& command : commands) {
        sends += command.rfind("!C", 0) == 0 ? 1 : 0;
    }
    return sends;
}

} // namespace

// The taught four-channel panel with channel 1 selected and the virtual sensor looking at
// 40/30/20 %.
class TeachDialogsTest : public PanelTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(OpenTaughtPanel());
        m_sensor = m_sensors.front().get();
        m_sensor->Sim().SetTarget(40.0, 30.0, 20.0);
        ASSERT_EQ(m_view.Controls.SelectedChannel, 0);
    }

    ChannelDefinition SimChannel() const { return m_sensor->Sim().Channel(1); }
    CSensor& Proxy() { return *m_panel->SensorProxy(); }

    static void Teach(CMultiSampleTeachDlg& dialog, FakeMultiSampleView& view, int row) {
        dialog.OnTeach(IDC_TEACH_SAMPLE_FIRST + row);
        ASSERT_TRUE(view.PumpTeach(dialog));
    }

    LoggedSensor* m_sensor = nullptr;
    std::array<double, 2> m_result{}; // red colour and tolerance of the dialog's result
};

TEST_F(TeachDialogsTest, ThreeSamplesGiveOneResultThatOkSends) {
    m_view.MultiSampleTeachScript = [this](CMultiSampleTeachDlg& dialog,
                                           FakeMultiSampleView& view) {
        EXPECT_EQ(view.EnabledRows(), 1);
        EXPECT_EQ(view.Texts.ResultSpread[0], "") << "no result, no spread";
        dialog.OnSensorTeach(1);
        EXPECT_EQ(dialog.SampleCount(), 0) << "a reply before any press fills no row";
        Teach(dialog, view, 0);
        Teach(dialog, view, 0);
        EXPECT_EQ(dialog.SampleCount(), 1) << "row 0 taught again keeps its place";
        EXPECT_EQ(view.EnabledRows(), 2);
        m_sensor->Sim().SetTarget(44.0, 30.0, 20.0);
        Teach(dialog, view, 1);
        m_sensor->Sim().SetTarget(42.0, 31.0, 19.0);
        Teach(dialog, view, 2);
        EXPECT_EQ(dialog.SampleCount(), 3);
        EXPECT_EQ(view.EnabledRows(), 4);
        // Colour only: each row shows its sample as shares of the sum.
        EXPECT_EQ(view.Texts.Samples[1][0], "46.8");
        EXPECT_NEAR(dialog.ResultColor(0), 42.0, 0.1);
        EXPECT_NEAR(dialog.ResultTolerance(0), 2.4 * 100 / 42.0, 0.05)
            << "spread 4 % plus 10 % of it";
        EXPECT_EQ(view.Texts.ResultTolerance[0], FormatPercent(dialog.ResultTolerance(0)));
        EXPECT_NEAR(std::stod(view.Texts.ResultSpread[0]), 4.0 / 4.8 * 100.0, 1.0)
            << "4 % of spread in a band of 2 x 2.4 %";
        EXPECT_TRUE(view.Messages.empty());
        dialog.OnOK();
        EXPECT_EQ(view.Result, DIALOG_OK);
        m_result = {dialog.ResultColor(0), dialog.ResultTolerance(0)};
    };
    m_panel->OnMultiSampleTeach();
    ASSERT_TRUE(WaitReading()) << "the window is the proxy's target again and polls";
    ASSERT_TRUE(m_view.PumpUntil(
        *m_panel, [this] { return SameBounds(SimChannel(), Proxy().GetChannel(1)); }));
    EXPECT_NEAR(Proxy().GetRedSetting(1), m_result[0], 0.01);
    EXPECT_NEAR(m_panel->Channel(0).RedTolerance, m_result[1], 0.01);
    EXPECT_EQ(m_view.Controls.ToleranceTexts[0], FormatPercent(m_panel->Channel(0).RedTolerance));
    EXPECT_TRUE(m_panel->AreControlsEnabled());
    EXPECT_EQ(m_panel->StatusText(), "Spectrel-4 on line");
}

TEST_F(TeachDialogsTest, CancelSendsThePreviousChannelBackAndOkWithoutSamplesSendsNothing) {
    const ChannelDefinition before = SimChannel();
    const PanelChannel entry = m_panel->Channel(0);
    m_sensor->Sim().SetTarget(0.1, 0.1, 50.0);
    m_view.MultiSampleTeachScript = [this](CMultiSampleTeachDlg& dialog,
                                           FakeMultiSampleView& view) {
        Teach(dialog, view, 0);
        ASSERT_EQ(view.Messages.size(), 1u);
        EXPECT_EQ(view.Messages[0].Text,
                  "Red tolerance limited to 50%\nGreen tolerance limited to 50%");
        EXPECT_EQ(dialog.ResultTolerance(0), 50.0);
        dialog.OnCancel();
        // The closed dialog hears nothing more, however much the proxy posts.
        const std::size_t queued = view.Queue.Size();
        ASSERT_TRUE(Proxy().RequestVersion());
        ASSERT_TRUE(WaitUntil([this] { return !Proxy().IsBusy(); })); // the answer is in
        EXPECT_EQ(view.Queue.Size(), queued);
    };
    m_panel->OnMultiSampleTeach();
    ASSERT_TRUE(m_view.PumpUntil(*m_panel, [&] { return SameBounds(SimChannel(), before); }));
    EXPECT_EQ(m_panel->Channel(0), entry) << "the panel shows the channel as it was";
    ASSERT_TRUE(WaitReading());

    const std::size_t mark = m_sensor->Mark();
    m_view.MultiSampleTeachScript = [](CMultiSampleTeachDlg& dialog, FakeMultiSampleView&) {
        dialog.OnOK();
    };
    m_panel->OnMultiSampleTeach();
    ASSERT_TRUE(WaitReading());
    EXPECT_EQ(Sends(m_sensor->CommandsSince(mark)), 0);
    EXPECT_EQ(m_panel->Channel(0), entry);
}

TEST_F(TeachDialogsTest, ManualEntrySendsWhatWasTypedAndCancelSendsNothing) {
    m_panel->OnModeColorLuminosity();
    ASSERT_TRUE(m_view.IsEnabled(IDC_MANUAL));
    std::size_t mark = m_sensor->Mark();
    m_view.ManualEntryScript = [](CManualEntryDlg& dialog, FakeManualEntryView& view) {
        EXPECT_EQ(view.Caption, "Color && Luminosity");
        EXPECT_EQ(dialog.Field(FIELD_RED).Text(), "40.0");
    };
    m_panel->OnManual();
    EXPECT_TRUE(m_view.IsEnabled(IDC_MANUAL)) << "the panel is refreshed and enabled";
    m_view.PumpFor(*m_panel, std::chrono::milliseconds(300));
    EXPECT_EQ(Sends(m_sensor->CommandsSince(mark)), 0);

    mark = m_sensor->Mark();
    m_view.ManualEntryScript = [](CManualEntryDlg& dialog, FakeManualEntryView&) {
        CNumericBehavior& red = dialog.Field(FIELD_RED);
        red.SetSelection(0, 4);
        for (const char key : std::string("1234")) {
            red.OnChar(key);
        }
        EXPECT_EQ(red.Text(), "123.4");
        EXPECT_TRUE(red.OnKillFocus().Beep);
        dialog.Field(FIELD_GREEN_TOLERANCE).SetText("12.5");
        dialog.OnOK();
    };
    m_panel->OnManual();
    EXPECT_TRUE(m_view.Messages.empty()) << "the typed tolerances are held exactly";
    // The sensor notes a command once it has answered it, so its channel may change first.
    ASSERT_TRUE(m_view.PumpUntil(*m_panel, [&] {
        return SimChannel().RedHigh == RAW_FULL_SCALE && Sends(m_sensor->CommandsSince(mark)) > 0;
    })) << "the sensor has the typed red";
    EXPECT_TRUE(SameBounds(SimChannel(), Proxy().GetChannel(1)));
    EXPECT_EQ(Sends(m_sensor->CommandsSince(mark)), 1);
    EXPECT_EQ(m_panel->Channel(0).RedSetting, 100.0);
    EXPECT_EQ(m_panel->Channel(0).GreenTolerance, 12.5);
    EXPECT_EQ(m_view.Controls.ColorTexts[0], "100.0");
}

// The line gone under a manual entry: the send is refused with the port's reason, the panel
// shows the sensor's old channel again and says nothing of adjusted tolerances.
TEST_F(TeachDialogsTest, AManualEntryThePortRefusesReportsOnlyTheRefusal) {
    m_panel->OnModeColorLuminosity();
    const PanelChannel before = m_panel->Channel(0);
    m_view.ManualEntryScript = [this](CManualEntryDlg& dialog, FakeManualEntryView&) {
        dialog.Field(FIELD_RED_TOLERANCE).SetText("12.5");
        m_sensor->Sim().HangUp(0);
        ASSERT_TRUE(WaitUntil([&] { return !Proxy().IsLinkUp(); }, std::chrono::seconds(2)));
        dialog.OnOK();
    };
    m_panel->OnManual();
    ASSERT_EQ(m_view.Messages.size(), 1u);
    EXPECT_EQ(m_view.MessageTexts()[0].rfind("Error sending channel 1\n", 0), 0u)
        << m_view.MessageTexts()[0];
    EXPECT_EQ(m_panel->Channel(0).RedTolerance, before.RedTolerance);
}

// A channel written by Manual Entry or by a Multi-Sample Cancel and lost before the sensor
// answered: the returning sensor is read in full, so the panel shows what it really holds.
TEST_F(TeachDialogsTest, AChannelSendLostUnansweredIsReadBackInFull) {
    m_panel->OnModeColorLuminosity();
    const auto lostAndBack = [&] {
        ASSERT_TRUE(WaitStatus("Communication lost!", std::chrono::seconds(10)));
        m_view.ClearDelivered();
        m_sensor->Sim().SetSilent(false);
        ASSERT_TRUE(WaitReady());
        EXPECT_EQ(m_view.Delivered(WM_SENSOR_SETTINGS), 1) << "read in full";
        EXPECT_TRUE(SameBounds(SimChannel(), Proxy().GetChannel(1)));
        EXPECT_EQ(m_panel->Channel(0).RedSetting, Proxy().GetChannel(1).RedSetting);
    };
    m_view.ManualEntryScript = [this](CManualEntryDlg& dialog, FakeManualEntryView&) {
        dialog.Field(FIELD_RED).SetText("7.5");
        // No poll left for the silent sensor to leave unanswered ahead of the send.
        Proxy().StopDataPolling();
        ASSERT_TRUE(WaitUntil([&] { return !Proxy().IsBusy(); }));
        m_sensor->Sim().SetSilent(true);
        dialog.OnOK();
    };
    m_panel->OnManual();
    ASSERT_NO_FATAL_FAILURE(lostAndBack());

    m_view.MultiSampleTeachScript = [this](CMultiSampleTeachDlg& dialog,
                                           FakeMultiSampleView& view) {
        Teach(dialog, view, 0);
        m_sensor->Sim().SetSilent(true);
        dialog.OnCancel();
    };
    m_panel->OnMultiSampleTeach();
    ASSERT_NO_FATAL_FAILURE(lostAndBack());
}
