// Reads and a line that goes away under them. A read asked for while the cable is out cannot
// be written: the panel still notices the loss and finds the sensor again by itself once it is
// back; a read under way when the sensor is swapped ends as a loss of the old sensor.
#include "PanelFixture.h"

#include "sensor/Sensor.h"
#include "tests/support/Deadline.h"

using namespace std::chrono_literals;

TEST_F(PanelTest, AReadThatCannotBeWrittenLeavesThePanelRecoveringByItself) {
    // Under a name of its own, as a real device: a pulled cable takes the name away, where a
    // bare pty path could be reused by another program's pty while this one is gone.
    VirtualSensor sensor(Model(6));
    ASSERT_TRUE(sensor.Start(m_dir + "/ttySensor")) << sensor.Error();
    m_environment.PortOverrides.Set("COM1", sensor.LinkPath());
    OpenPanel();
    for (const auto read : {&CSpectrelDlg::OnReadSettings, &CSpectrelDlg::OnReadAllChannels}) {
        SCOPED_TRACE(read == &CSpectrelDlg::OnReadSettings ? "read settings" : "read all");
        ASSERT_TRUE(WaitReady());
        sensor.HangUp();
        ASSERT_TRUE(WaitUntil([&] { return !m_panel->Sensor()->IsLinkUp(); }));
        ((*m_panel).*read)();
        EXPECT_EQ(m_view.Messages.size(), 1u);
        EXPECT_TRUE(WaitStatus("Communication lost!", 10000ms)) << m_panel->StatusText();
        sensor.Replug();
        EXPECT_TRUE(WaitReady(10000ms)) << m_panel->StatusText();
        EXPECT_TRUE(WaitReading());
        m_view.Messages.clear();
    }
    m_panel.reset();
}

// Another sensor plugged in within seconds, while a read waited for the old one's answer: the
// panel must come back showing the sensor that answers now, not finish the read with it.
TEST_F(PanelTest, ASensorSwappedDuringAReadIsIdentifiedAnew) {
    VirtualSensor sensor(Model(6));
    ASSERT_TRUE(sensor.Start(m_dir + "/ttySensor")) << sensor.Error();
    m_environment.PortOverrides.Set("COM1", sensor.LinkPath());
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    sensor.SetSilent(true);
    m_panel->OnReadSettings();
    sensor.SetSerialNumber("SWAP000000000001");
    sensor.HangUp(800);
    sensor.SetSilent(false);
    EXPECT_TRUE(m_view.PumpUntil(*m_panel,
                                 [&] {
                                     return m_panel->IsPanelReady() &&
                                            m_view.Controls.SerialNumberText == "SWAP000000000001";
                                 }))
        << m_panel->StatusText() << ", serial shown " << m_view.Controls.SerialNumberText;
    m_panel.reset();
}
