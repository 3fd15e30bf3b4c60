#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "profile/Profile.h"
#include "profile/TextFile.h"
#include "support/FileText.h"
#include "support/IniText.h"
#include "support/TempDir.h"

namespace {

// A window that has read a sensor of `channels` channels: every channel enabled, red 10 %.
ProfileValues Window(int channels) {
    ProfileValues values;
    values.ModelName = channels == 15 ? "Spectrel-15" : "Spectrel-4";
    values.SerialNumber = "SIM0000000000001";
    values.FirmwareMajor = 1;
    values.FirmwareMinor = 5;
    values.ChannelCount = channels;
    values.AveragingIndex = 2;
    values.TriggeringIndex = 1;
    values.OutputDurationIndex = 3;
    values.Illumination = 70;
    values.Logging = {"/work/SpectrelLog.csv", 1, 9};
    for (PanelChannel& channel : values.Channels) {
        channel.Enabled = 1;
        channel.RedSetting = 10.0;
        channel.RedTolerance = 3.0;
    }
    return values;
}

// Reads `text` over `values` and returns the bad entries as "[section]key" texts.
std::vector<std::string> Read(const std::string& text, ProfileValues& values) {
    std::vector<std::string> bad;
    for (const ProfileEntry& entry : ReadProfile(StoreOf(text), values)) {
        bad.push_back(BadEntryText(entry));
    }
    return bad;
}

using Texts = std::vector<std::string>;

} // namespace

TEST(Profile, AFileOfTheWindowsToolLoadsWithItsWordsInAnyCase) {
    ProfileValues values = Window(4);
    std::vector<ProfileEntry> bad;
    std::string error;
    ASSERT_TRUE(LoadProfileFile(PROFILE_FIXTURES "/WindowsTool.spf", values, bad, error)) << error;

    EXPECT_EQ(bad, (std::vector<ProfileEntry>{{"Channel#2", "RedTolerance"}}));
    EXPECT_EQ(values.AveragingIndex, 4);
    EXPECT_EQ(values.TriggeringIndex, 1);
    EXPECT_EQ(values.OutputDurationIndex, 4); // 35 ms rounds to 40
    EXPECT_EQ(values.Illumination, 80);
    EXPECT_EQ(values.Logging, (LogSettings{"C:\\Line4\\Line4Log.csv", 2, 5}));
    // Identity keys are for the reader only.
    EXPECT_EQ(values.SerialNumber, "SIM0000000000001");

    const PanelChannel& first = values.Channels[0];
    EXPECT_EQ(first.Enabled, 1);
    EXPECT_EQ(first.Mode, 1);
    EXPECT_EQ(first.MatchOutput, 1);
    EXPECT_DOUBLE_EQ(first.BlueSetting, 33.3334);
    EXPECT_DOUBLE_EQ(first.Luminosity, (33.3333 + 33.3333 + 33.3334) / 3);
    const PanelChannel& second = values.Channels[1];
    EXPECT_EQ(second.Enabled, 0);
    EXPECT_EQ(second.Mode, 0);
    EXPECT_DOUBLE_EQ(second.BlueSetting, 0.0);    // missing: kept
    EXPECT_DOUBLE_EQ(second.RedTolerance, 3.0);   // bad: kept
    EXPECT_DOUBLE_EQ(second.BlueTolerance, 15.0); // "1.5E+01"
    EXPECT_EQ(values.Channels[3].GreenTolerance, 2.5);
}

TEST(Profile, ASaveWritesEveryKeyInOrderInItsWrittenFormWhateverTheLocale) {
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // where available: a decimal comma
    ProfileValues values = Window(1);
    values.Channels[0].GreenSetting = 33.3333333;
    values.Channels[0].BlueSetting = 1e6;
    values.Channels[0].Mode = 0;
    CIniStore store(PROFILE_NEW_FILE_LINE_END);
    ASSERT_TRUE(WriteProfile(values, store));
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(store.Text(), "[Sensor]\r\nModel=Spectrel-4\r\nSerialNumber=SIM0000000000001\r\n"
                            "FirmwareVersion=1.05\r\nAveraging=4\r\nTriggering=Level\r\n"
                            "OutputDelay=30\r\nIllumination=70\r\n\r\n"
                            "[Logging]\r\nFileName=/work/SpectrelLog.csv\r\nType=Match\r\n"
                            "Interval=9\r\n\r\n"
                            "[Channel#1]\r\nEnabled=Yes\r\nMode=ColorAndLuminosity\r\n"
                            "MatchOutput=High\r\nRedSetting=10\r\nGreenSetting=33.3333\r\n"
                            "BlueSetting=1E+06\r\nRedTolerance=3\r\nGreenTolerance=0.5\r\n"
                            "BlueTolerance=0.5\r\n");

    // Nothing selected and no sensor identified: the first entries' forms, no channel.
    ProfileValues empty;
    empty.AveragingIndex = 10;
    const Texts written = [&] {
        Texts texts;
        for (const ProfileKeyText& key : ProfileKeys(empty)) {
            texts.push_back(key.Entry.Key + "=" + key.Text);
        }
        return texts;
    }();
    EXPECT_EQ(written, (Texts{"Model=", "SerialNumber=", "FirmwareVersion=0.00", "Averaging=1",
                              "Triggering=FreeRun", "OutputDelay=0", "Illumination=0",
                              "FileName=", "Type=Continuous", "Interval=1"}));
}

TEST(Profile, SettingsKeysKeepOrFallBackAsTheirRulesSay) {
    ProfileValues values = Window(0);
    EXPECT_EQ(Read("[Sensor]\nAveraging=3\nOutputDelay=15\nTriggering=edge\n", values),
              Texts{"Bad entry for [Sensor]Averaging"});
    EXPECT_EQ(values.AveragingIndex, 0);
    EXPECT_EQ(values.OutputDurationIndex, 2);
    EXPECT_EQ(values.TriggeringIndex, 2);

    values.AveragingIndex = 3;
    EXPECT_EQ(Read("[sensor]\naveraging=128\nOutputDelay=101\nTriggering=Rising\n"
                   "Illumination=-1\n[Logging]\nType=Hourly\nInterval=0\n",
                   values),
              (Texts{"Bad entry for [Sensor]Averaging", "Bad entry for [Sensor]Triggering",
                     "Bad entry for [Sensor]OutputDelay", "Bad entry for [Sensor]Illumination",
                     "Bad entry for [Logging]Type", "Bad entry for [Logging]Interval"}));
    EXPECT_EQ(values.AveragingIndex, 3);
    EXPECT_EQ(values.OutputDurationIndex, 2);
    EXPECT_EQ(values.TriggeringIndex, 0);
    EXPECT_EQ(values.Illumination, 70);
    EXPECT_EQ(values.Logging.Mode, 0);
    EXPECT_EQ(values.Logging.Interval, 9);
    // A profile without a log name sets the fixed default.
    EXPECT_EQ(values.Logging.FileName, "SpectrelLog.csv");

    // Nothing selected: a missing key selects the first entry, a bad one too.
    ProfileValues none;
    EXPECT_EQ(Read("[Sensor]\nAveraging=0\n", none), Texts{"Bad entry for [Sensor]Averaging"});
    EXPECT_EQ(none.AveragingIndex, 0);
    EXPECT_EQ(none.TriggeringIndex, 0);
    EXPECT_EQ(none.OutputDurationIndex, 0);
    // 128 samples as the sensor reported them stay, silently, when the key is missing.
    none.AveragingIndex = 7;
    EXPECT_TRUE(Read("", none).empty());
    EXPECT_EQ(none.AveragingIndex, 7);
}

TEST(Profile, ChannelKeysKeepOrFallBackAsTheirRulesSay) {
    ProfileValues values = Window(4);
    EXPECT_EQ(
        Read("[Channel#1]\nEnabled=maybe\nMode=Colour\nMatchOutput=\n"
             "RedTolerance=0.4\nGreenTolerance=\nBlueTolerance=nan\n"
             "RedSetting=abc\nGreenSetting=1e999\nBlueSetting=+50\n",
             values),
        (Texts{"Bad entry for [Channel#1]Enabled", "Bad entry for [Channel#1]Mode",
               "Bad entry for [Channel#1]MatchOutput", "Bad entry for [Channel#1]GreenSetting",
               "Bad entry for [Channel#1]RedTolerance", "Bad entry for [Channel#1]BlueTolerance"}));
    const PanelChannel& channel = values.Channels[0];
    EXPECT_EQ(channel.Enabled, 1);
    EXPECT_EQ(channel.Mode, 0);
    EXPECT_EQ(channel.MatchOutput, 0);
    EXPECT_DOUBLE_EQ(channel.RedSetting, 0.0); // no number reads as 0
    EXPECT_DOUBLE_EQ(channel.GreenSetting, 0.0);
    EXPECT_DOUBLE_EQ(channel.BlueSetting, 50.0);
    EXPECT_DOUBLE_EQ(channel.RedTolerance, 3.0);
    EXPECT_DOUBLE_EQ(channel.GreenTolerance, 0.5); // empty: kept silently
    EXPECT_DOUBLE_EQ(channel.Luminosity, 50.0 / 3);
}

TEST(Profile, OnlyTheIdentifiedModelsChannelsAreReadAndWritten) {
    // A four-channel profile read by a fifteen-channel window sets 1..4, silently.
    ProfileValues small = Window(4);
    small.Channels[3].RedSetting = 44.0;
    CIniStore file;
    ASSERT_TRUE(WriteProfile(small, file));
    ProfileValues big = Window(15);
    big.Channels[4].RedSetting = 55.0;
    for (PanelChannel& channel : big.Channels) {
        channel.Mode = 0;
    }
    EXPECT_TRUE(ReadProfile(file, big).empty());
    EXPECT_EQ(big.Channels[3].RedSetting, 44.0);
    EXPECT_EQ(big.Channels[3].Mode, 1);
    EXPECT_EQ(big.Channels[4].RedSetting, 55.0);
    EXPECT_EQ(big.Channels[4].Mode, 0);

    // Saving the small one over a big profile leaves the big model's extra sections.
    CIniStore bigFile;
    ASSERT_TRUE(WriteProfile(big, bigFile));
    ASSERT_TRUE(WriteProfile(small, bigFile));
    EXPECT_EQ(bigFile.ReadString("Channel#15", "RedSetting", ""), "10");
    EXPECT_EQ(bigFile.ReadString("Channel#4", "RedSetting", ""), "44");
}

TEST(Profile, AFileSavedOverKeepsWhatTheProfileDoesNotOwn) {
    TempDir temp;
    const std::string path = temp / "line4.spf";
    std::ofstream(path, std::ios::binary)
        << "\xEF\xBB\xBF; line 4, left station\r\n[Sensor]\r\nAveraging = 64\r\nNote=keep me\r\n"
           "[Operator]\r\nName=Ann\r\n";
    std::string error;
    ASSERT_TRUE(SaveProfileFile(path, Window(1), error)) << error;
    const std::string text = FileText(path);
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF; line 4, left station\r\n[Sensor]\r\nAveraging = 4\r\n"
                         "Note=keep me\r\nModel=Spectrel-4\r\n",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("[Operator]\r\nName=Ann\r\n"), std::string::npos);
    EXPECT_EQ(text.find("\n\n"), std::string::npos); // no LF-only line crept in

    // A saved profile loads back to the same values.
    ProfileValues loaded;
    loaded.ChannelCount = 1;
    std::vector<ProfileEntry> bad;
    ASSERT_TRUE(LoadProfileFile(path, loaded, bad, error));
    ProfileValues expected = Window(1);
    expected.ModelName.clear();
    expected.SerialNumber.clear();
    expected.FirmwareMajor = expected.FirmwareMinor = 0;
    expected.Channels[0].Luminosity = ChannelLuminosity(10.0, 0.0, 0.0);
    for (std::size_t i = 1; i < expected.Channels.size(); ++i) {
        expected.Channels[i] = PanelChannel{};
    }
    EXPECT_TRUE(bad.empty());
    EXPECT_EQ(loaded, expected);
}

TEST(Profile, AFileThatCannotBeReadIsNeverReplaced) {
    TempDir temp;
    const std::string path = temp / "huge.spf";
    const std::string huge(TEXT_FILE_MAX_BYTES + 1, ';');
    std::ofstream(path, std::ios::binary) << huge;
    std::string error;
    EXPECT_FALSE(SaveProfileFile(path, Window(4), error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_EQ(std::filesystem::file_size(path), huge.size());

    ProfileValues values = Window(4);
    std::vector<ProfileEntry> bad;
    EXPECT_FALSE(LoadProfileFile(path, values, bad, error));
    EXPECT_EQ(values, Window(4));

    // A name a log file cannot have in an INI line is refused, not half written.
    ProfileValues broken = Window(4);
    broken.Logging.FileName = "two\nlines.csv";
    EXPECT_FALSE(SaveProfileFile(temp / "broken.spf", broken, error));
    EXPECT_FALSE(std::filesystem::exists(temp / "broken.spf"));
}
