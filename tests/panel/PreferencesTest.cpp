#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>

#include "PanelFixture.h"
#include "common/FileDescriptor.h"
#include "sensor/Sensor.h"
#include "tests/support/Deadline.h"

using namespace std::chrono_literals;

namespace {

long CountOf(const std::vector<std::string>& commands, const std::string& command) {
    return std::count(commands.begin(), commands.end(), command);
}

} // namespace

// Without stored preferences the panel uses COM1, shows every warning, draws bars and polls
// every 300 ms; commands this build does not offer are greyed.
TEST_F(PanelTest, NoStoredPreferencesGiveTheDefaults) {
    StartSensor(Model(6));
    OpenPanel();
    EXPECT_EQ(m_panel->PortName(), "COM1");
    EXPECT_EQ(m_view.Controls.PortIndex, 0);
    EXPECT_EQ(m_view.ComboItems[IDC_PORT].size(), 16U);
    EXPECT_EQ(m_panel->WarningsMask(), 7);
    for (MenuCommand item :
         {ID_WARNINGS_RECOGNITION, ID_WARNINGS_SENSOR, ID_WARNINGS_APPLICATION}) {
        EXPECT_TRUE(m_view.MenuChecked[item]) << item;
    }
    for (MenuCommand item : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS,
                             ID_LOGGING_START, ID_LOGGING_STOP, ID_LOGGING_SETTINGS}) {
        EXPECT_FALSE(m_view.MenuEnabled[item]) << item;
    }
    EXPECT_EQ(m_view.Controls.DisplayMode, 0);
    EXPECT_EQ(m_view.ChartStyles[IDC_CHART], "Bar");
    EXPECT_EQ(m_panel->PollingPeriod(), 300);
    EXPECT_EQ(m_view.StatusBar, "Data logging inactive");
    EXPECT_TRUE(WaitReady());
}

// A stored port other than COM1..COM16 stops the load: nothing stored is applied, the port
// does not open, and the polling period of 0 that was never loaded does not drive the polling.
TEST_F(PanelTest, AnInvalidStoredPortAppliesNoPreference) {
    LoggedSensor& sensor = StartSensor(Model(6));
    WritePreferences("[Settings]\nCOM Port=COM17\nWarnings=None\nDisplayColorOnly=1\n"
                     "CurrentDataPollingPeriod=100\n");
    OpenPanel();
    EXPECT_EQ(m_panel->PortName(), "");
    EXPECT_EQ(m_view.Controls.PortIndex, -1);
    ASSERT_EQ(m_view.Messages.size(), 1U);
    EXPECT_EQ(m_view.Messages[0].Text, "Error opening port ");
    EXPECT_EQ(m_view.RichStatus, "Communications disabled");
    EXPECT_EQ(m_panel->WarningsMask(), 7);
    EXPECT_EQ(m_view.Controls.DisplayMode, -1);
    EXPECT_EQ(m_view.ChartStyles.count(IDC_CHART), 0U);
    EXPECT_EQ(m_panel->PollingPeriod(), 0);

    m_view.Controls.PortIndex = 0;
    m_panel->OnSelchangePort();
    ASSERT_TRUE(WaitReady());
    const std::size_t mark = sensor.Mark();
    m_view.PumpFor(*m_panel, 1000ms);
    const long polls = CountOf(sensor.CommandsSince(mark), "!d");
    std::printf("%ld data requests in 1000 ms\n", polls);
    EXPECT_GE(polls, 2);
    EXPECT_LE(polls, 5);

    m_panel->OnClose();
    EXPECT_NE(ReadPreferences().find("COM Port=COM1"), std::string::npos);
}

// The warnings mask gates ShowWarning at once; the port messages come whatever it says.
TEST_F(PanelTest, WarningsMenuTogglesWhatIsShown) {
    WritePreferences("[Settings]\nCOM Port=COM2\nWarnings=None\n");
    m_environment.PortOverrides.Set("COM2", "/nonexistent/ttySpectrel");
    OpenPanel();
    EXPECT_EQ(m_panel->WarningsMask(), 0);
    EXPECT_FALSE(m_view.MenuChecked[ID_WARNINGS_SENSOR]);
    ASSERT_EQ(m_view.Messages.size(), 1U);
    EXPECT_EQ(m_view.Messages[0].Text.rfind("Error opening port COM2", 0), 0U);

    m_panel->OnSensorErrorReply();
    EXPECT_EQ(m_view.Messages.size(), 1U);
    m_panel->OnWarningsSensor();
    EXPECT_EQ(m_panel->WarningsMask(), 2);
    EXPECT_TRUE(m_view.MenuChecked[ID_WARNINGS_SENSOR]);
    m_panel->OnSensorErrorReply();
    ASSERT_EQ(m_view.Messages.size(), 2U);
    EXPECT_EQ(m_view.Messages[1].Text, "Sensor reported error");
    EXPECT_EQ(m_view.Messages[1].Caption, "Spectrel");
    m_panel->OnWarningsSensor();
    EXPECT_EQ(m_panel->WarningsMask(), 0);
    EXPECT_FALSE(m_view.MenuChecked[ID_WARNINGS_SENSOR]);

    m_panel->OnClose();
    EXPECT_NE(ReadPreferences().find("Warnings=None"), std::string::npos);
}

// Ports map to devices through the store's [Ports], and this run's --port wins over it; the
// port combo's tooltip names the device. A stored period of 0 still polls at a sane rate.
TEST_F(PanelTest, PortsMapThroughTheStoreAndTheCommandLine) {
    LoggedSensor& stored = StartSensor(Model(6), "COM9");
    m_environment.PortOverrides = PortMap{};
    WritePreferences("[Settings]\nCOM Port=COM2\nCurrentDataPollingPeriod=0\n[Ports]\nCOM2=" +
                     stored.Path() + "\n");
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(m_view.ToolTips[IDC_PORT], stored.Path());
    EXPECT_EQ(m_panel->PollingPeriod(), 0);
    const std::size_t mark = stored.Mark();
    m_view.PumpFor(*m_panel, 1000ms);
    const long polls = CountOf(stored.CommandsSince(mark), "!d");
    EXPECT_GE(polls, 2);
    EXPECT_LE(polls, 5);
    m_panel->OnClose();
    EXPECT_NE(ReadPreferences().find("COM2=" + stored.Path()), std::string::npos);
    m_panel.reset();
    m_view.Queue.Clear();

    LoggedSensor& given = StartSensor(Model(7), "COM2");
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(m_panel->ModelName(), "Spectrel-7");
    EXPECT_EQ(m_view.ToolTips[IDC_PORT], given.Path());
}

// A value the view rejects makes the close write nothing rather than a half-read state.
TEST_F(PanelTest, ARejectedValueKeepsTheStoredPreferences) {
    WritePreferences("[Settings]\nCOM Port=COM3\n");
    m_environment.PortOverrides.Set("COM3", "/nonexistent/ttySpectrel");
    OpenPanel();
    m_view.Controls.PortIndex = 5;
    m_view.RejectPull = true;
    m_panel->OnClose();
    EXPECT_EQ(ReadPreferences(), "[Settings]\nCOM Port=COM3\n");
}

// Something of the document's name that is no file (a FIFO) is not opened to look at it:
// that would wait for a writer for ever.
TEST_F(PanelTest, InstructionsNamedByAFifoAreNotFoundWithoutWaiting) {
    m_environment.PortOverrides.Set("COM1", "/nonexistent/ttySpectrel");
    OpenPanel();
    m_view.Messages.clear();
    const std::string document = m_dir + "/spectrel.pdf";
    ASSERT_EQ(::mkfifo(document.c_str(), 0600), 0);
    std::atomic<bool> done{false};
    std::thread user([&] {
        m_panel->OnInstructions();
        done = true;
    });
    const bool returned = WaitUntil([&] { return done.load(); }, 2000ms);
    if (!returned) {
        const FileDescriptor writer(::open(document.c_str(), O_WRONLY | O_NONBLOCK));
        WaitUntil([&] { return done.load(); }, 2000ms);
    }
    user.join();
    EXPECT_TRUE(returned) << "waited for a writer";
    ASSERT_EQ(m_view.Messages.size(), 1U);
    EXPECT_EQ(m_view.Messages[0].Text, "Help file \"" + document + "\" not found.");
}

// The instructions document lies beside the program; both of its failures are reported.
TEST_F(PanelTest, InstructionsAndAboutBox) {
    m_environment.PortOverrides.Set("COM1", "/nonexistent/ttySpectrel");
    OpenPanel();
    m_view.Messages.clear();
    const std::string document = m_dir + "/spectrel.pdf";

    m_panel->OnInstructions();
    ASSERT_EQ(m_view.Messages.size(), 1U);
    EXPECT_EQ(m_view.Messages[0].Text, "Help file \"" + document + "\" not found.");
    EXPECT_EQ(m_view.Messages[0].Caption, "Spectrel");
    EXPECT_TRUE(m_view.OpenedDocuments.empty());

    std::ofstream(document) << "%PDF-1.4\n";
    m_panel->OnInstructions();
    EXPECT_EQ(m_view.OpenedDocuments, std::vector<std::string>{document});
    EXPECT_EQ(m_view.Messages.size(), 1U);
    m_view.OpenSucceeds = false;
    m_panel->OnInstructions();
    ASSERT_EQ(m_view.Messages.size(), 2U);
    EXPECT_EQ(m_view.Messages[1].Text, "Error displaying on-line instructions");

    m_panel->OnAbout();
    ASSERT_EQ(m_view.AboutBoxes.size(), 1U);
    EXPECT_EQ(m_view.AboutBoxes[0].Caption, "About Spectrel");
    EXPECT_EQ(m_view.AboutBoxes[0].ProgramLine, "Spectrel version 0.1.0");
    EXPECT_EQ(m_view.AboutBoxes[0].FirmwareLine, "Firmware version unknown");
}

// An installed program has no manual beside it and opens the one in its documentation folder;
// a build tree's own manual, beside the program, wins over an installed one.
TEST_F(PanelTest, InstructionsFromTheDocumentationFolder) {
    m_environment.PortOverrides.Set("COM1", "/nonexistent/ttySpectrel");
    m_environment.DocumentDir = m_dir + "/doc";
    OpenPanel();
    m_view.Messages.clear();
    const std::string installed = m_environment.DocumentDir + "/spectrel.pdf";

    m_panel->OnInstructions();
    ASSERT_EQ(m_view.Messages.size(), 1U);
    EXPECT_EQ(m_view.Messages[0].Text, "Help file \"" + installed + "\" not found.");

    ASSERT_TRUE(std::filesystem::create_directory(m_environment.DocumentDir));
    std::ofstream(installed) << "%PDF-1.4\n";
    m_panel->OnInstructions();
    const std::string beside = m_dir + "/spectrel.pdf";
    std::ofstream(beside) << "%PDF-1.4\n";
    m_panel->OnInstructions();
    EXPECT_EQ(m_view.OpenedDocuments, (std::vector<std::string>{installed, beside}));
    EXPECT_EQ(m_view.Messages.size(), 1U);
}
