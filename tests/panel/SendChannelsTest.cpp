#include <gtest/gtest.h>

#include <algorithm>

#include "PanelFixture.h"
#include "common/ErrorText.h"
#include "sensor/Sensor.h"
#include "tests/support/Deadline.h"

using namespace std::chrono_literals;

class SendChannelsTest : public PanelTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(OpenTaughtPanel()); }

    LoggedSensor& Sensor() { return *m_sensors.front(); }

    // The selected channel's red tolerance, by its spin.
    void SpinRed(int step) {
        m_view.Controls.ToleranceSteps[0] = step;
        m_panel->OnToleranceSpin(0);
    }

    std::vector<std::string> ChannelSendsSince(std::size_t mark) {
        std::vector<std::string> sends = Sensor().CommandsSince(mark);
        sends.erase(
            std::remove_if(sends.begin(), sends.end(),
                           [](const std::string& line) { return line.rfind("!C", 0) != 0; }),
            sends.end());
        return sends;
    }
};

// Only the changed fields of the changed channels go on the line; the chain walks every
// channel, the row labels follow the channels' enabled state, and polling resumes.
TEST_F(SendChannelsTest, SendAllWritesOnlyTheChangedFields) {
    Select(1);
    SpinRed(40); // 20 %
    Select(3);
    m_view.Controls.ChannelEnabled = 1;
    m_panel->OnChannelEnabled();
    EXPECT_TRUE(m_view.IsEnabled(IDC_SEND_ALL_CHANNELS));
    EXPECT_FALSE(m_view.IsEnabled(ROW_LABELS[3]));

    const std::size_t mark = Sensor().Mark();
    m_view.ClearDelivered();
    m_panel->OnSendAllChannels();
    EXPECT_FALSE(m_panel->AreControlsEnabled());
    EXPECT_FALSE(m_panel->Sensor()->IsDataPolling());
    ASSERT_TRUE(m_view.PumpUntil(*m_panel, [&] { return m_panel->AreControlsEnabled(); }));
    EXPECT_EQ(ChannelSendsSince(mark),
              (std::vector<std::string>{"!C,1,,,,1476,1EB0,,,,", "!C,3,,1,,,,,,,"}));
    EXPECT_EQ(m_view.Delivered(WM_SENSOR_CHANNEL_SENT), 4);
    EXPECT_EQ(Sensor().Sim().Channel(4).Enabled, 1U);
    EXPECT_TRUE(m_view.IsEnabled(ROW_LABELS[3]));
    EXPECT_FALSE(m_view.IsEnabled(ROW_LABELS[1]));
    EXPECT_FALSE(m_view.IsEnabled(IDC_SEND_ALL_CHANNELS));
    EXPECT_TRUE(m_view.SendFollowsRead());
    EXPECT_TRUE(m_panel->Sensor()->IsDataPolling());
    EXPECT_TRUE(m_view.Messages.empty());
}

// A refused write names the channel whose command failed, ends the chain with the panel
// disabled, and leaves the proxy's copy as the sensor has it, so the send is offered again.
TEST_F(SendChannelsTest, RefusedWriteNamesTheChannelAndClaimsNothing) {
    Select(2);
    SpinRed(20);
    m_view.Controls.ChannelEnabled = 1;
    m_panel->OnChannelEnabled();
    Select(0);
    SpinRed(30);
    const PanelChannel third = m_panel->Channel(2);
    ASSERT_TRUE(m_view.PumpUntil(*m_panel, [&] { return !m_panel->Sensor()->IsBusy(); }));

    // Channel 1's command goes out; its acknowledgement is in the queue when the line goes.
    m_panel->OnSendAllChannels();
    ASSERT_TRUE(WaitUntil([&] { return !m_panel->Sensor()->IsBusy(); }, 2s));
    Sensor().Sim().HangUp(0);
    ASSERT_TRUE(WaitUntil([&] { return !m_panel->Sensor()->IsLinkUp(); }, 2s));
    ASSERT_TRUE(m_view.PumpUntil(*m_panel, [&] { return !m_view.Messages.empty(); }));
    // Headed as the window words it, with the port's reason as spectrelctl words it.
    const std::string reason =
        "\n" + Sensor().Path() + ": " + PortErrorReason(m_panel->Sensor()->LastPortError());
    EXPECT_EQ(m_view.MessageTexts(),
              (std::vector<std::string>{"Error sending channel 3" + reason}));
    EXPECT_FALSE(m_panel->AreControlsEnabled());
    EXPECT_EQ(m_panel->Sensor()->GetChannel(3).RedTolerance, 0.5);
    EXPECT_EQ(m_panel->Sensor()->GetChannel(3).Enabled, 0U);
    EXPECT_FALSE(third.MatchesSensor(m_panel->Sensor()->GetChannel(3)));
    EXPECT_TRUE(m_panel->Channel(0).MatchesSensor(m_panel->Sensor()->GetChannel(1)));

    // The very first command refused: channel 1 is named.
    m_view.Messages.clear();
    Select(0);
    SpinRed(40);
    m_panel->OnSendAllChannels();
    EXPECT_EQ(m_view.MessageTexts(),
              (std::vector<std::string>{"Error sending channel 1" + reason}));
    EXPECT_FALSE(m_panel->Channel(0).MatchesSensor(m_panel->Sensor()->GetChannel(1)));
}
