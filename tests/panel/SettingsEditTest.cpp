#include <gtest/gtest.h>

#include "PanelFixture.h"
#include "common/PanelFormat.h"
#include "sensor/NotificationQueue.h"
#include "sensor/Sensor.h"

// The illumination field takes the number its text begins with, held to 0..100; the text is
// rewritten only when that changes the illumination, and the slider follows.
TEST_F(PanelTest, IlluminationFieldTakesItsLeadingNumberWithinRange) {
    LoggedSensor& sensor = StartSensor(Model(6));
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    ASSERT_EQ(sensor.Sim().Settings().Illumination, 100U);

    struct Typed {
        const char* Text;
        int Illumination;
        const char* Shown;
    };
    const Typed typed[] = {
        {"-5", 0, "  0"},    {"abc", 0, "abc"}, // letters mean 0, which the slider already shows
        {"250", 100, "100"}, {"42%", 42, " 42"},
        {"+7", 7, "  7"},    {"7", 7, "7"}, // the same value again keeps the text as typed
    };
    for (const Typed& entry : typed) {
        m_view.Controls.IlluminationText = entry.Text;
        m_panel->OnKillfocusIllumination();
        EXPECT_EQ(m_panel->Values().Illumination, entry.Illumination) << entry.Text;
        EXPECT_EQ(m_view.Controls.Illumination, entry.Illumination) << entry.Text;
        EXPECT_EQ(m_view.Controls.IlluminationText, entry.Shown) << entry.Text;
        EXPECT_EQ(m_view.SliderPosition, entry.Illumination) << entry.Text;
        EXPECT_EQ(m_view.IsEnabled(IDC_READ_SETTINGS), entry.Illumination != 100) << entry.Text;
        EXPECT_TRUE(m_view.SendFollowsRead());
    }

    // A data exchange the view rejects leaves everything as it was.
    m_view.RejectPull = true;
    m_view.Controls.IlluminationText = "50";
    const int pushes = m_view.Pushes;
    m_panel->OnKillfocusIllumination();
    EXPECT_EQ(m_panel->Values().Illumination, 7);
    EXPECT_EQ(m_view.SliderPosition, 7);
    EXPECT_EQ(m_view.Pushes, pushes);
}

// Whatever the user types, the number stays in range: no overflow, no locale.
TEST(PanelFormatTest, LeadingIntegerIsClampedAndNeverOverflows) {
    EXPECT_EQ(ReadClampedInteger("99999999999999999999999", 0, 100), 100);
    EXPECT_EQ(ReadClampedInteger("-99999999999999999999999", 0, 100), 0);
    EXPECT_EQ(ReadClampedInteger(" \t12 5", 0, 100), 12);
    EXPECT_EQ(ReadClampedInteger("", 0, 100), 0);
    EXPECT_EQ(ReadClampedInteger("-", 0, 100), 0);
    EXPECT_EQ(ReadClampedInteger("- 3", -5, 5), 0);
    EXPECT_EQ(ReadClampedInteger("-3", -5, 5), -3);
    EXPECT_EQ(ReadClampedInteger("1,000", 0, 100), 1);
}

// Each settings control counts in the comparison with the sensor: Read Settings is offered while
// one differs, withdrawn once all are back, and brings the sensor's values back when pressed.
TEST_F(PanelTest, SettingsEditsOfferReadSettingsWhileThePanelDiffers) {
    LoggedSensor& sensor = StartSensor(Model(6));
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    const PanelValues read = m_panel->Values();
    EXPECT_FALSE(m_view.IsEnabled(IDC_READ_SETTINGS));

    m_panel->OnIlluminationScroll(60);
    EXPECT_EQ(m_view.Controls.IlluminationText, " 60");
    EXPECT_EQ(m_view.Controls.Illumination, 60);
    EXPECT_TRUE(m_view.IsEnabled(IDC_READ_SETTINGS));
    m_panel->OnIlluminationScroll(read.Illumination);
    EXPECT_EQ(m_view.Controls.IlluminationText, read.IlluminationText);
    EXPECT_FALSE(m_view.IsEnabled(IDC_READ_SETTINGS));

    using Handler = void (CSpectrelDlg::*)();
    const std::pair<int PanelValues::*, Handler> controls[] = {
        {&PanelValues::AveragingIndex, &CSpectrelDlg::OnSelchangeAveraging},
        {&PanelValues::TriggeringIndex, &CSpectrelDlg::OnTriggering},
        {&PanelValues::OutputDurationIndex, &CSpectrelDlg::OnSelchangeOutputDuration},
    };
    for (const auto& [value, handler] : controls) {
        m_view.Controls.*value = (read.*value + 1) % 3;
        (m_panel.get()->*handler)();
        EXPECT_TRUE(m_view.IsEnabled(IDC_READ_SETTINGS));
        m_view.Controls.*value = read.*value;
        (m_panel.get()->*handler)();
        EXPECT_FALSE(m_view.IsEnabled(IDC_READ_SETTINGS));
    }

    // Everything changed, then read back; an edit made while the read runs offers nothing and
    // is overwritten by the sensor's values.
    for (const auto& [value, handler] : controls) {
        m_view.Controls.*value = (read.*value + 1) % 3;
        (m_panel.get()->*handler)();
    }
    m_panel->OnIlluminationScroll(5);
    EXPECT_TRUE(m_view.SendFollowsRead());
    const std::size_t mark = sensor.Mark();
    m_panel->OnReadSettings();
    m_panel->OnIlluminationScroll(6);
    EXPECT_FALSE(m_view.IsEnabled(IDC_READ_SETTINGS));
    ASSERT_TRUE(m_view.PumpUntil(*m_panel, [&] { return m_panel->AreControlsEnabled(); }));
    EXPECT_TRUE(sensor.SawSince(mark, "!s"));
    for (const auto& [value, handler] : controls) {
        EXPECT_EQ(m_view.Controls.*value, read.*value);
    }
    EXPECT_EQ(m_view.Controls.Illumination, read.Illumination);
    EXPECT_EQ(m_view.Controls.IlluminationText, read.IlluminationText);
    EXPECT_EQ(m_view.SliderPosition, read.Illumination);
    EXPECT_FALSE(m_view.IsEnabled(IDC_READ_SETTINGS));
    EXPECT_TRUE(m_view.SendFollowsRead());
}

// Every averaging a sensor holds has its entry; a cleared panel offers reading back, keeps the
// teaching tools off until a channel is chosen, and a send with a list left empty says why.
TEST_F(PanelTest, ListsHoldEverySensorValueAndNoButtonDoesNothing) {
    LoggedSensor& sensor = StartSensor(Model(6));
    {
        CNotificationQueue queue;
        CSensor proxy;
        proxy.SetWindow(&queue);
        ASSERT_TRUE(proxy.Connect(sensor.Path()));
        ASSERT_TRUE(proxy.SendSettings(8, TRIGGER_FREE_RUN, 0, 1, 100));
        ASSERT_TRUE(queue.PopMessage(WM_SENSOR_SETTINGS_SENT, std::chrono::seconds(2)));
        proxy.Disconnect();
    }
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    ASSERT_EQ(m_view.Controls.AveragingIndex, 8);
    EXPECT_EQ(m_view.ComboItems[IDC_AVERAGING].at(8), "256");
    EXPECT_EQ(m_view.ComboItems[IDC_AVERAGING].back(), "512");

    m_view.Answers = {RESULT_YES};
    m_panel->OnFileNew();
    EXPECT_TRUE(m_view.IsEnabled(IDC_READ_SETTINGS));
    EXPECT_FALSE(m_view.IsEnabled(IDC_TEACH_CHANNEL));
    EXPECT_FALSE(m_view.IsEnabled(IDC_MULTI_SAMPLE_TEACH));
    Select(1);
    EXPECT_TRUE(m_view.IsEnabled(IDC_TEACH_CHANNEL));
    EXPECT_TRUE(m_view.IsEnabled(IDC_MULTI_SAMPLE_TEACH));

    const std::size_t mark = sensor.Mark();
    m_view.Controls.Illumination = 50;
    m_panel->OnSendSettings();
    EXPECT_EQ(m_view.MessageTexts().back(),
              "Choose the Averaging, the Triggering and the Minimum Output Duration before "
              "sending the settings.");
    EXPECT_FALSE(sensor.SawSince(mark, "!S")) << "nothing is sent";
}
