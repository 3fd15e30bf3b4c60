// A read asked for while the cable is out cannot be written: the panel still notices the loss
// and finds the sensor again by itself once it is back.
#include "PanelFixture.h"

#include "sensor/Sensor.h"
#include "tests/support/Deadline.h"

using namespace std::chrono_literals;

TEST_F(PanelTest, AReadThatCannotBeWrittenLeavesThePanelRecoveringByItself) {
    LoggedSensor& sensor = StartSensor(Model(6));
    OpenPanel();
    for (const auto read : {&CSpectrelDlg::OnReadSettings, &CSpectrelDlg::OnReadAllChannels}) {
        ASSERT_TRUE(WaitReady());
        sensor.Sim().HangUp();
        ASSERT_TRUE(WaitUntil([&] { return !m_panel->Sensor()->IsConnected(); }));
        ((*m_panel).*read)();
        EXPECT_EQ(m_view.Messages.size(), 1u);
        EXPECT_TRUE(WaitStatus("Communication lost!", 10000ms)) << m_panel->StatusText();
        sensor.Sim().Replug();
        EXPECT_TRUE(WaitReady(10000ms)) << m_panel->StatusText();
        EXPECT_TRUE(WaitReading());
        m_view.Messages.clear();
    }
}
