#include <gtest/gtest.h>

#include <algorithm>

#include "PanelFixture.h"
#include "sensor/Sensor.h"

namespace {

using Texts = std::array<std::string, 3>;

constexpr int RED = 0;
constexpr int GREEN = 1;

} // namespace

class ChannelEditTest : public PanelTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(OpenTaughtPanel()); }

    void Spin(int colour, int step) {
        m_view.Controls.ToleranceSteps[static_cast<std::size_t>(colour)] = step;
        m_panel->OnToleranceSpin(colour);
    }

    void CheckEnabled(bool enabled) {
        m_view.Controls.ChannelEnabled = enabled ? 1 : 0;
        m_panel->OnChannelEnabled();
    }

    bool ReadAllOffered() const { return m_view.IsEnabled(IDC_READ_ALL_CHANNELS); }

    std::array<PanelChannel, CSpectrelDlg::CHANNEL_TABLE_SIZE> Table() const {
        std::array<PanelChannel, CSpectrelDlg::CHANNEL_TABLE_SIZE> table;
        for (int index = 0; index < CSpectrelDlg::CHANNEL_TABLE_SIZE; ++index) {
            table[static_cast<std::size_t>(index)] = m_panel->Channel(index);
        }
        return table;
    }
};

// A tolerance, the mode, the enabled state or the match output of any channel, changed alone,
// offers Read All; put back, it withdraws it. Send All goes with it. Channel 4 is untaught:
// its colour is 0, so its tolerances reach no field of a send and offer nothing.
TEST_F(ChannelEditTest, EachEditOffersReadAllUntilPutBack) {
    Spin(RED, m_view.Controls.ToleranceSteps[RED] + 4);
    EXPECT_TRUE(ReadAllOffered()) << "a taught channel's tolerance";
    m_panel->OnReadAllChannels();
    ASSERT_TRUE(m_view.PumpUntil(*m_panel, [&] { return m_panel->AreControlsEnabled(); }));

    Select(3);
    ASSERT_EQ(m_panel->Sensor()->GetChannel(4).GreenTolerance, 0.5);
    ASSERT_EQ(m_view.Controls.ToleranceSteps[GREEN], 1);
    EXPECT_FALSE(ReadAllOffered());

    Spin(GREEN, 2);
    EXPECT_EQ(m_view.Controls.ToleranceTexts[GREEN], " 1.0");
    EXPECT_EQ(m_panel->Channel(3).GreenTolerance, 1.0);
    EXPECT_FALSE(ReadAllOffered());
    Spin(GREEN, 1);
    EXPECT_EQ(m_view.Controls.ToleranceTexts[GREEN], " 0.5");
    EXPECT_FALSE(ReadAllOffered());

    m_panel->OnModeColorLuminosity();
    EXPECT_EQ(m_panel->Channel(3).Mode, static_cast<int>(MODE_COLOR_LUMINOSITY));
    EXPECT_TRUE(ReadAllOffered());
    m_panel->OnModeColorOnly();
    EXPECT_FALSE(ReadAllOffered());

    CheckEnabled(true);
    EXPECT_EQ(m_panel->Channel(3).Enabled, 1);
    EXPECT_TRUE(ReadAllOffered());
    CheckEnabled(false);
    EXPECT_FALSE(ReadAllOffered());

    m_panel->OnOutputLow();
    EXPECT_EQ(m_panel->Channel(3).MatchOutput, static_cast<int>(OUTPUT_LOW));
    EXPECT_TRUE(ReadAllOffered());
    m_panel->OnOutputHigh();
    EXPECT_FALSE(ReadAllOffered());

    // An edit stays with its channel while another is shown, and still counts.
    m_panel->OnOutputLow();
    Select(0);
    EXPECT_TRUE(ReadAllOffered());
    Select(3);
    EXPECT_EQ(m_view.Controls.MatchOutput, static_cast<int>(OUTPUT_LOW));
    m_panel->OnOutputHigh();
    EXPECT_FALSE(ReadAllOffered());
    EXPECT_TRUE(m_view.SendFollowsRead());
}

// One spin step is half a percent; a step outside the spin's range never reaches the channel.
TEST_F(ChannelEditTest, SpinStepsAreHalfPercents) {
    Spin(RED, 4);
    EXPECT_EQ(m_view.Controls.ToleranceTexts[RED], " 2.0");
    Spin(RED, 5);
    EXPECT_EQ(m_view.Controls.ToleranceTexts[RED], " 2.5");
    EXPECT_EQ(m_panel->Channel(0).RedTolerance, 2.5);
    EXPECT_EQ(m_panel->Channel(0).GreenTolerance, m_panel->Sensor()->GetChannel(1).GreenTolerance);

    Spin(RED, 0);
    EXPECT_EQ(m_panel->Channel(0).RedTolerance, 0.5);
    EXPECT_EQ(m_view.Controls.ToleranceSteps[RED], 1);
    Spin(RED, 250);
    EXPECT_EQ(m_panel->Channel(0).RedTolerance, 50.0);
    EXPECT_EQ(m_view.Controls.ToleranceTexts[RED], "50.0");

    // A spin change the view rejects, or for no colour at all, changes nothing.
    const auto table = Table();
    m_view.RejectPull = true;
    Spin(RED, 9);
    m_view.RejectPull = false;
    m_panel->OnToleranceSpin(3);
    m_panel->OnToleranceSpin(-1);
    EXPECT_EQ(Table(), table);
}

// The mode radios show the channel's colour as that mode compares it: as set, with its
// luminosity, or in proportion. A level picked just before is not undone by the mode's push.
TEST_F(ChannelEditTest, ModeRadiosShowTheColourAsTheModeSeesIt) {
    m_panel->OnModeColorLuminosity();
    EXPECT_EQ(m_view.Controls.ChannelMode, static_cast<int>(MODE_COLOR_LUMINOSITY));
    EXPECT_EQ(m_view.Controls.ColorTexts, (Texts{"40.0", "40.0", "20.0"}));
    EXPECT_EQ(m_view.Controls.LuminosityText, "33.3");
    m_panel->OnModeColorOnly();
    EXPECT_EQ(m_view.Controls.ChannelMode, static_cast<int>(MODE_COLOR_ONLY));
    EXPECT_EQ(m_view.Controls.ColorTexts, (Texts{"40.0", "40.0", "20.0"}));
    EXPECT_EQ(m_view.Controls.LuminosityText, "");

    Select(1);
    m_panel->OnModeColorOnly();
    EXPECT_EQ(m_view.Controls.ColorTexts, (Texts{"25.0", "25.0", "50.0"}));

    m_panel->OnOutputLow();
    m_panel->OnModeColorLuminosity();
    EXPECT_EQ(m_view.Controls.MatchOutput, static_cast<int>(OUTPUT_LOW));
    EXPECT_EQ(m_panel->Channel(1).MatchOutput, static_cast<int>(OUTPUT_LOW));
}

// With no channel selected the channel controls change nothing in the table; a spin still shows
// its tolerance. Before the window is set up a spin does nothing at all.
TEST_F(ChannelEditTest, WithNoChannelSelectedEditsLeaveTheTableAlone) {
    Select(-1);
    const auto table = Table();
    m_panel->OnModeColorLuminosity();
    m_panel->OnModeColorOnly();
    CheckEnabled(false);
    m_panel->OnOutputLow();
    m_panel->OnOutputHigh();
    Spin(RED, 7);
    EXPECT_EQ(Table(), table);
    EXPECT_EQ(m_view.Controls.ToleranceTexts[RED], " 3.5");
    EXPECT_FALSE(ReadAllOffered());

    FakeView view;
    CSpectrelDlg unready(view, m_environment);
    view.Controls.ToleranceSteps[RED] = 7;
    unready.OnToleranceSpin(RED);
    EXPECT_EQ(view.Pushes, 0);
    EXPECT_EQ(unready.Values().ToleranceTexts[RED], "");
}

// An edited channel offered back by Read All is read again from the sensor, every channel in
// turn, and the edit is gone.
TEST_F(ChannelEditTest, ReadAllTakesTheSensorsChannelsBack) {
    CheckEnabled(false);
    EXPECT_TRUE(ReadAllOffered());

    const std::size_t mark = m_sensors.front()->Mark();
    m_panel->OnReadAllChannels();
    EXPECT_FALSE(ReadAllOffered());
    ASSERT_TRUE(m_view.PumpUntil(*m_panel, [&] { return m_panel->AreControlsEnabled(); }));
    std::vector<std::string> requests = m_sensors.front()->CommandsSince(mark);
    requests.erase(
        std::remove_if(requests.begin(), requests.end(),
                       [](const std::string& command) { return command.rfind("!c", 0) != 0; }),
        requests.end());
    EXPECT_EQ(requests, (std::vector<std::string>{"!c,0", "!c,1", "!c,2", "!c,3"}));

    EXPECT_EQ(m_panel->Channel(0).Enabled, 1);
    EXPECT_EQ(m_view.Controls.ChannelEnabled, 1);
    EXPECT_FALSE(ReadAllOffered());
    EXPECT_TRUE(m_view.SendFollowsRead());
    EXPECT_TRUE(m_panel->Sensor()->IsDataPolling());
}
