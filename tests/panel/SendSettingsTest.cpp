#include <gtest/gtest.h>

#include "PanelFixture.h"
#include "sensor/Sensor.h"

using namespace std::chrono_literals;

namespace {

// Pumps until the panel is enabled again after a command.
bool WaitEnabled(FakeView& view, CSpectrelDlg& panel) {
    return view.PumpUntil(panel, [&] { return panel.AreControlsEnabled(); });
}

bool SentSettingsSince(const LoggedSensor& sensor, std::size_t mark) {
    for (const std::string& command : sensor.CommandsSince(mark)) {
        if (command.rfind("!S", 0) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

// A changed illumination is confirmed first: No sends nothing and leaves the panel and polling
// as they were; Yes sends only the changed field, with ambient subtraction on whatever the
// hidden box holds, and the acknowledgement resumes polling.
TEST_F(PanelTest, SendSettingsAsksBeforeTheIlluminationChanges) {
    LoggedSensor& sensor = StartSensor(Model(6));
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    m_panel->OnIlluminationScroll(50);
    EXPECT_TRUE(m_view.IsEnabled(IDC_SEND_SETTINGS));
    m_view.Answers = {RESULT_YES};
    m_panel->OnSendSettings();
    EXPECT_FALSE(m_panel->AreControlsEnabled());
    EXPECT_FALSE(m_panel->Sensor()->IsDataPolling());
    ASSERT_TRUE(WaitEnabled(m_view, *m_panel));
    EXPECT_EQ(sensor.Sim().Settings().Illumination, 50U);
    EXPECT_TRUE(m_panel->Sensor()->IsDataPolling());
    EXPECT_FALSE(m_view.IsEnabled(IDC_SEND_SETTINGS));

    m_view.Messages.clear();
    m_panel->OnIlluminationScroll(75);
    m_view.Controls.AmbientSubtraction = 0;
    m_view.Answers = {RESULT_NO};
    std::size_t mark = sensor.Mark();
    m_panel->OnSendSettings();
    ASSERT_EQ(m_view.Messages.size(), 1U);
    const MessageBoxRequest& question = m_view.Messages[0];
    EXPECT_EQ(question.Caption, "Confirm change in Illumination setting");
    EXPECT_EQ(question.Text,
              "You are about to change the Illumination setting from 50% to 75%.\n"
              "This may affect the performance of one or more Color Recognition channels.\n"
              "\nAre you sure you wish to do this?");
    EXPECT_EQ(question.Icon, ICON_QUESTION);
    EXPECT_EQ(question.Buttons, BUTTONS_YES_NO);
    EXPECT_EQ(question.DefaultButton, RESULT_NO);
    EXPECT_TRUE(m_panel->AreControlsEnabled());
    EXPECT_TRUE(m_panel->Sensor()->IsDataPolling());
    m_view.PumpFor(*m_panel, 200ms);
    EXPECT_FALSE(SentSettingsSince(sensor, mark));

    m_view.Answers = {RESULT_YES};
    mark = sensor.Mark();
    m_panel->OnSendSettings();
    ASSERT_TRUE(WaitEnabled(m_view, *m_panel));
    EXPECT_TRUE(sensor.SawSince(mark, "!S,,,,,4B"));
    EXPECT_EQ(sensor.Sim().Settings().AmbientSubtraction, 1U);
}

// Without an illumination change, or with recognition warnings off, nothing is asked; a send
// the proxy finds unchanged writes nothing but is still acknowledged, and polling resumes.
TEST_F(PanelTest, SendSettingsAsksNothingOtherwise) {
    LoggedSensor& sensor = StartSensor(Model(6));
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    const int averaging = (m_panel->Values().AveragingIndex + 1) % 7;
    m_view.Controls.AveragingIndex = averaging;
    m_panel->OnSelchangeAveraging();
    std::size_t mark = sensor.Mark();
    m_panel->OnSendSettings();
    ASSERT_TRUE(WaitEnabled(m_view, *m_panel));
    EXPECT_TRUE(sensor.SawSince(mark, "!S," + std::to_string(averaging) + ",,,,"));

    mark = sensor.Mark();
    m_panel->OnSendSettings();
    EXPECT_FALSE(m_panel->AreControlsEnabled());
    ASSERT_TRUE(WaitEnabled(m_view, *m_panel));
    EXPECT_FALSE(SentSettingsSince(sensor, mark));
    EXPECT_TRUE(m_panel->Sensor()->IsDataPolling());

    m_panel->OnWarningsRecognition();
    m_panel->OnIlluminationScroll(60);
    m_panel->OnSendSettings();
    ASSERT_TRUE(WaitEnabled(m_view, *m_panel));
    EXPECT_EQ(sensor.Sim().Settings().Illumination, 60U);
    EXPECT_TRUE(m_view.Messages.empty());
}
