// The window on a port whose [Ports] entry is a remote line served by a real ser2net.

#include <gtest/gtest.h>

#include <chrono>

#include "PanelFixture.h"
#include "sensor/Sensor.h"
#include "tests/support/Deadline.h"
#include "tests/support/Ser2net.h"

using namespace std::chrono_literals;

TEST_F(PanelTest, ARemotePortGoesOnLineAndFindsTheSensorAgainAfterTheServerIsBack) {
    // Served only through the server; COM9 stays unused.
    LoggedSensor& sensor = StartSensor(Model(6), "COM9");
    Ser2net server(sensor.Path());
    ASSERT_TRUE(server.Start()) << server.Problem();
    WritePreferences(
        "[Settings]\nCOM Port=COM3\nWarnings=None\n[Ports]\nCOM3=" + server.Rfc2217Url() + "\n");
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(m_view.ToolTips[IDC_PORT], server.Rfc2217Url());

    // The line notices the server's end, and connects again, in real time; the panel's polls
    // run on the proxy's clock.
    server.Kill();
    ASSERT_TRUE(WaitUntil([&] { return !m_panel->Sensor()->IsLinkUp(); }, 8000ms));
    ASSERT_TRUE(WaitStatus("Communication lost!", 8000ms));
    ASSERT_TRUE(server.Start()) << server.Problem();
    ASSERT_TRUE(WaitUntil([&] { return m_panel->Sensor()->IsLinkUp(); }, 8000ms));
    EXPECT_TRUE(WaitReady(8000ms)) << m_panel->StatusText();
    EXPECT_TRUE(m_view.Messages.empty());
}

TEST_F(PanelTest, ARefusedRemotePortNamesTheAddressAndTheReason) {
    const std::string url = "socket://127.0.0.1:" + std::to_string(FreeLoopbackPort());
    WritePreferences("[Settings]\nWarnings=None\n[Ports]\nCOM1=" + url + "\n");
    OpenPanel();
    ASSERT_EQ(m_view.Messages.size(), 1U);
    EXPECT_EQ(m_view.Messages[0].Text, "Error opening port COM1\n" + url + ": Connection refused");
    EXPECT_EQ(m_view.RichStatus, "Communications disabled");
}
