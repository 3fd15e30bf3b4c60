#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "PanelFixture.h"
#include "cli/Ctl.h"
#include "profile/Preferences.h"
#include "support/FileText.h"

namespace {

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// spectrelctl backs `sensor` up into `backup`.
void BackUp(const LoggedSensor& sensor, const std::string& backup) {
    std::ostringstream out, err;
    std::atomic<bool> stop{false};
    ASSERT_EQ(RunSpectrelCtl({"--device", sensor.Path(), "backup", backup}, out, err, stop), 0)
        << err.str();
}

} // namespace

// Save with no profile path asks for a name; the profile then loads back over changed values,
// and the read buttons offer the sensor's values back where the loaded ones differ.
TEST_F(PanelTest, ASavedProfileOpensBackToTheSameValues) {
    // A coloured channel 1, so that its tolerance reaches the sensor's bounds.
    SetUpChannels(StartSensor(Model(6)), {{1, OUTPUT_HIGH, 1, 40.0, 30.0, 20.0}});
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    const std::string path = m_dir + "/line4.spf";

    m_panel->OnFileSave(); // cancelled: nothing saved, still no path
    ASSERT_EQ(m_view.FileDialogs.size(), 1u);
    EXPECT_TRUE(m_view.FileDialogs[0].Save);
    EXPECT_EQ(m_view.FileDialogs[0].DefaultExtension, "spf");
    EXPECT_EQ(m_view.FileDialogs[0].Filters.front().first, "Spectrel Profiles (*.spf)");
    EXPECT_TRUE(m_panel->ProfilePath().empty());

    m_panel->OnIlluminationScroll(60);
    m_view.Controls = m_panel->Values();
    m_view.Controls.ToleranceSteps[0] = 40;
    m_panel->OnToleranceSpin(0);
    const PanelValues saved = m_panel->Values();
    const PanelChannel savedChannel = m_panel->Channel(0);
    m_view.FileAnswers = {path};
    m_panel->OnFileSave();
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(m_panel->ProfilePath(), path);

    m_panel->OnIlluminationScroll(10);
    m_view.Controls = m_panel->Values();
    m_view.Controls.ToleranceSteps[0] = 2;
    m_panel->OnToleranceSpin(0);
    m_view.FileAnswers = {path};
    m_panel->OnFileOpen();
    EXPECT_FALSE(m_view.FileDialogs.back().Save);
    EXPECT_EQ(m_view.FileDialogs.back().InitialPath, path);
    EXPECT_EQ(m_panel->Values().Illumination, 60);
    EXPECT_EQ(m_panel->Values().IlluminationText, "60");
    EXPECT_EQ(m_panel->Values().ToleranceTexts, saved.ToleranceTexts);
    EXPECT_EQ(m_panel->Channel(0).RedTolerance, savedChannel.RedTolerance);
    EXPECT_EQ(m_view.Controls.ToleranceSteps[0], 40);
    EXPECT_TRUE(m_view.IsEnabled(IDC_READ_SETTINGS));
    EXPECT_TRUE(m_view.IsEnabled(IDC_READ_ALL_CHANNELS));
    EXPECT_TRUE(m_view.Messages.empty());
}

TEST_F(PanelTest, NewAsksWhileReadyAndOnlyYesClearsThePanel) {
    StartSensor(Model(6));
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    const std::string path = m_dir + "/a.spf";
    m_view.FileAnswers = {path};
    m_panel->OnFileSaveAs();
    const PanelValues before = m_panel->Values();

    m_view.Answers = {RESULT_CANCEL};
    m_panel->OnFileNew();
    ASSERT_EQ(m_view.Messages.size(), 1u);
    EXPECT_EQ(m_view.Messages[0].Text, "Clear current dialog settings?");
    EXPECT_EQ(m_view.Messages[0].Buttons, BUTTONS_YES_NO_CANCEL);
    EXPECT_EQ(m_view.Messages[0].Icon, ICON_NONE);
    EXPECT_EQ(m_panel->ProfilePath(), path);

    // No keeps every value, but the next Save asks for a name.
    m_view.Answers = {RESULT_NO};
    m_panel->OnFileNew();
    EXPECT_EQ(m_panel->Values(), before);
    EXPECT_TRUE(m_panel->ProfilePath().empty());
    m_panel->OnFileSave();
    EXPECT_EQ(m_view.FileDialogs.size(), 2u);

    m_view.Answers = {RESULT_YES};
    m_panel->OnFileNew();
    EXPECT_EQ(m_panel->Values().AveragingIndex, -1);
    EXPECT_EQ(m_panel->Values().SelectedChannel, -1);
    EXPECT_TRUE(WaitReading()); // polling goes on
}

TEST_F(PanelTest, NewWithoutASensorClearsWithoutAsking) {
    OpenPanel(); // no sensor: the port cannot be opened
    m_view.Messages.clear();
    m_view.Controls.IlluminationText = "50";
    m_panel->OnKillfocusIllumination();
    m_panel->OnFileNew();
    EXPECT_TRUE(m_view.Messages.empty());
    EXPECT_EQ(m_panel->Values().Illumination, 0);
}

// The open dialog's create question returns a name that does not exist: nothing is read but the
// log name, and a later Save writes there.
TEST_F(PanelTest, OpenOnANewNameTakesTheDefaultLogNameAndTheName) {
    StartSensor(Model(6));
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    const PanelValues before = m_panel->Values();
    const std::string path = m_dir + "/new.spf";
    m_view.FileAnswers = {path};
    m_panel->OnFileOpen();
    EXPECT_EQ(m_panel->LogSetup().FileName, "SpectrelLog.csv");
    EXPECT_EQ(m_panel->Values(), before);
    EXPECT_FALSE(std::filesystem::exists(path));
    m_panel->OnFileSave();
    EXPECT_TRUE(std::filesystem::exists(path));
}

// A four-channel profile on a fifteen-channel sensor sets channels 1..4 only, silently; each
// bad entry has its own box, shown whatever the warnings say.
TEST_F(PanelTest, AProfileSetsOnlyItsChannelsAndReportsEachBadEntry) {
    StartSensor(Model(9));
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    m_panel->OnWarningsRecognition();
    m_panel->OnWarningsSensor();
    m_panel->OnWarningsApplication();
    const PanelChannel fifth = m_panel->Channel(4);
    std::string text = "[Sensor]\r\nAveraging=3\r\nTriggering=Sometimes\r\n";
    for (int channel = 1; channel <= 4; ++channel) {
        text += "[Channel#" + std::to_string(channel) + "]\r\nRedTolerance=20\r\n";
    }
    const std::string path = m_dir + "/four.spf";
    WriteText(path, text);
    m_view.FileAnswers = {path};
    m_panel->OnFileOpen();
    ASSERT_EQ(m_view.MessageTexts(),
              (std::vector<std::string>{"Bad entry for [Sensor]Averaging",
                                        "Bad entry for [Sensor]Triggering"}));
    EXPECT_EQ(m_view.Messages[0].Icon, ICON_EXCLAMATION);
    for (int index = 0; index < 4; ++index) {
        EXPECT_EQ(m_panel->Channel(index).RedTolerance, 20.0) << index;
    }
    EXPECT_EQ(m_panel->Channel(4), fifth);
    EXPECT_EQ(m_panel->Values().AveragingIndex, 0);
    EXPECT_EQ(m_panel->Values().TriggeringIndex, 0);
    EXPECT_EQ(m_panel->Values().ToleranceTexts[0], "20.0"); // channel 1 is selected
}

// A profile named on the command line waits for the sensor and is opened once it is ready.
TEST_F(PanelTest, AProfileFromOutsideOpensOnceThePanelIsReady) {
    StartSensor(Model(6));
    const std::string path = m_dir + "/start.spf";
    WriteText(path, "[Sensor]\nIllumination=33\n");
    OpenPanel();
    m_panel->OpenProfile(path);
    EXPECT_TRUE(m_panel->ProfilePath().empty());
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(m_panel->ProfilePath(), path);
    EXPECT_EQ(m_panel->Values().Illumination, 33);
    EXPECT_TRUE(m_view.IsEnabled(IDC_READ_SETTINGS));

    WriteText(path, "[Sensor]\nIllumination=44\n");
    m_panel->OpenProfile(path); // ready: at once
    EXPECT_EQ(m_panel->Values().Illumination, 44);
}

// A save that fails is told, with the reason; the file that was there stays.
TEST_F(PanelTest, AFailedSaveIsReported) {
    StartSensor(Model(6));
    OpenPanel();
    ASSERT_TRUE(WaitReady());
    m_view.FileAnswers = {m_dir}; // a folder
    m_panel->OnFileSaveAs();
    ASSERT_EQ(m_view.Messages.size(), 1u);
    EXPECT_NE(m_view.Messages[0].Text.find("The profile was not saved."), std::string::npos);
    EXPECT_NE(m_view.Messages[0].Text.find(m_dir), std::string::npos);
}

// spectrelctl's backup of a sensor is, byte for byte, the profile a freshly started window
// saves for it.
TEST_F(PanelTest, TheWindowSavesTheFileABackupWrites) {
    LoggedSensor& sensor = StartSensor(Model(9));
    SetUpChannels(sensor, {{2, OUTPUT_LOW, 1, 33.3333, 20.0, 7.5}, {15, OUTPUT_HIGH, 1, 5, 6, 7}});
    const std::string backup = m_dir + "/backup.spf";
    ASSERT_NO_FATAL_FAILURE(BackUp(sensor, backup));

    OpenPanel();
    ASSERT_TRUE(WaitReady());
    const std::string saved = m_dir + "/saved.spf";
    m_view.FileAnswers = {saved};
    m_panel->OnFileSaveAs();
    EXPECT_EQ(FileText(saved), FileText(backup));
    EXPECT_NE(FileText(saved).find("[Channel#15]\r\nEnabled=Yes\r\n"), std::string::npos);
}

// The sensor's own backup opens as equal to the sensor: the send buttons stay off. A copy that
// differs only in a colour offers them.
TEST_F(PanelTest, ABackupComparesEqualToItsSensorAndAColourAloneDiffers) {
    LoggedSensor& sensor = StartSensor(Model(9));
    SetUpChannels(sensor, {{2, OUTPUT_LOW, 1, 33.3333, 20.0, 7.5}, {15, OUTPUT_HIGH, 1, 5, 6, 7}});
    const std::string backup = m_dir + "/backup.spf";
    ASSERT_NO_FATAL_FAILURE(BackUp(sensor, backup));
    OpenPanel();
    ASSERT_TRUE(WaitReady());

    m_view.FileAnswers = {backup};
    m_panel->OnFileOpen();
    EXPECT_FALSE(m_view.IsEnabled(IDC_READ_ALL_CHANNELS));
    EXPECT_FALSE(m_view.IsEnabled(IDC_SEND_ALL_CHANNELS));

    std::string text = FileText(backup);
    const std::string key = "RedSetting=";
    const std::size_t value = text.find(key, text.find("[Channel#2]")) + key.size();
    text.replace(value, text.find('\r', value) - value, "50");
    const std::string recoloured = m_dir + "/recoloured.spf";
    WriteText(recoloured, text);
    ASSERT_NE(FileText(recoloured), FileText(backup));
    m_view.FileAnswers = {recoloured};
    m_panel->OnFileOpen();
    EXPECT_TRUE(m_view.IsEnabled(IDC_READ_ALL_CHANNELS));
    EXPECT_TRUE(m_view.IsEnabled(IDC_SEND_ALL_CHANNELS));
}
