// spectrelctl backup, restore and diff on several virtual sensors at once.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>

#include "cli/Ctl.h"
#include "cli/CtlProfiles.h"
#include "profile/IniStore.h"
#include "sim/VirtualSensor.h"
#include "support/FileText.h"
#include "support/TempDir.h"

namespace {

struct CtlResult {
    int Exit;
    std::string Out;
    std::string Err;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CtlProfiles : public ::testing::Test {
protected:
    std::string StartSensor(const std::string& serial,
                            std::function<void(const std::string&)> observer = {}) {
        SimConfig config;
        config.Pacing = false;
        config.SerialNumber = serial;
        m_sims.push_back(std::make_unique<VirtualSensor>(config));
        if (observer) {
            m_sims.back()->SetAnswerObserver(std::move(observer));
        }
        EXPECT_TRUE(m_sims.back()->Start()) << m_sims.back()->Error();
        return m_sims.back()->SlavePath();
    }

    CtlResult Run(const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        const int exit = RunSpectrelCtl(args, out, err, m_stop);
        return {exit, out.str(), err.str()};
    }

    std::atomic<bool> m_stop{false};
    std::vector<std::unique_ptr<VirtualSensor>> m_sims;
    TempDir m_temp;
};

} // namespace

// A line's configuration goes from one sensor to another: backup names a file per serial
// number, restore sends what differs and checks it, and diff then finds nothing.
TEST_F(CtlProfiles, BackupThenRestoreOntoAnotherSensorLeavesNoDifference) {
    const std::string first = StartSensor("SIM0000000000001");
    const std::string second = StartSensor("SIM0000000000002");
    ASSERT_EQ(Run({"--device", first, "set-settings", "averaging=8", "delay=30"}).Exit, 0);
    ASSERT_EQ(Run({"--device", first, "set-channel", "3", "enabled=yes", "red=33.3333", "green=20",
                   "tolerance=7.3"})
                  .Exit,
              0);

    const std::string pattern = m_temp / "line4-{serial}.spf";
    const CtlResult backup = Run({"--device", first, "--device", second, "backup", pattern});
    ASSERT_EQ(backup.Exit, 0) << backup.Err;
    const std::string firstFile = m_temp / "line4-SIM0000000000001.spf";
    EXPECT_EQ(backup.Out, first + ": wrote " + firstFile + "\n" + second + ": wrote " +
                              m_temp / "line4-SIM0000000000002.spf" + "\n");

    const CtlResult differs = Run({"--device", second, "diff", firstFile});
    EXPECT_EQ(differs.Exit, 1);
    EXPECT_TRUE(Contains(differs.Out, "[Sensor]Averaging: sensor 4, file 8\n")) << differs.Out;
    EXPECT_TRUE(Contains(differs.Out, "[Channel#3]Enabled: sensor No, file Yes\n"));
    EXPECT_FALSE(Contains(differs.Out, "SerialNumber"));

    const CtlResult dryRun = Run({"--device", second, "restore", firstFile, "--dry-run"});
    EXPECT_EQ(dryRun.Exit, 0);
    EXPECT_TRUE(Contains(dryRun.Out, "would set [Sensor]Averaging: 4 -> 8\n")) << dryRun.Out;
    EXPECT_EQ(Run({"--device", second, "diff", firstFile}).Exit, 1);

    const CtlResult restore = Run({"--device", second, "restore", firstFile});
    EXPECT_EQ(restore.Exit, 0) << restore.Err;
    EXPECT_TRUE(Contains(restore.Out, "set [Channel#3]RedTolerance: "));
    const CtlResult same = Run({"--device", second, "diff", firstFile});
    EXPECT_EQ(same.Exit, 0) << same.Out;
    EXPECT_EQ(same.Out, "");

    // The second sensor's own backup is now the first one's but for its serial number.
    ASSERT_EQ(Run({"--device", second, "backup", m_temp / "after.spf"}).Exit, 0);
    std::string expected = FileText(firstFile);
    expected.replace(expected.find("SIM0000000000001"), 16, "SIM0000000000002");
    EXPECT_EQ(FileText(m_temp / "after.spf"), expected);
}

// A backup is the sensor's profile alone: channels of a bigger sensor's file at the same name
// are gone, so a later restore cannot send them. A FIFO at the name is refused as such.
TEST_F(CtlProfiles, BackupReplacesTheWholeFileAndRefusesAFifo) {
    const std::string device = StartSensor("SIM0000000000001");
    const std::string fresh = m_temp / "fresh.spf";
    ASSERT_EQ(Run({"--device", device, "backup", fresh}).Exit, 0);
    const std::string old = m_temp / "old.spf";
    std::ofstream(old) << "; line 4\n[Sensor]\nAveraging=64\n[Channel#15]\nEnabled=Yes\n";
    const CtlResult backup = Run({"--device", device, "backup", old});
    EXPECT_EQ(backup.Exit, 0) << backup.Err;
    EXPECT_EQ(FileText(old), FileText(fresh));

    const std::string fifo = m_temp / "fifo.spf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const CtlResult refused = Run({"--device", device, "backup", fifo});
    EXPECT_EQ(refused.Exit, 6);
    EXPECT_TRUE(Contains(refused.Err, "Cannot write " + fifo + ": not a regular file but a FIFO"))
        << refused.Err;
}

// A typing mistake in a profile must not change how a sensor works: restore names each bad
// entry with its value and sends nothing unless the fall-backs are asked for; diff shows the
// file's own text.
TEST_F(CtlProfiles, ABadEntrySendsNothingUnlessItsFallbackIsAccepted) {
    const std::string device = StartSensor("SIM0000000000001");
    const std::string file = m_temp / "typo.spf";
    ASSERT_EQ(Run({"--device", device, "backup", file}).Exit, 0);
    CIniStore store;
    ASSERT_TRUE(store.Load(file));
    ASSERT_TRUE(store.WriteString("Sensor", "Triggering", "Edgee"));
    ASSERT_TRUE(store.WriteString("Sensor", "Averaging", "3"));
    ASSERT_TRUE(store.WriteString("Channel#1", "Mode", "Grey"));
    ASSERT_TRUE(store.Save(file));
    const SensorSettings before = m_sims.back()->Settings();

    const CtlResult refused = Run({"--device", device, "restore", file});
    EXPECT_EQ(refused.Exit, 6);
    for (const char* bad : {"[Sensor]Averaging: \"3\"", "[Sensor]Triggering: \"Edgee\"",
                            "[Channel#1]Mode: \"Grey\""}) {
        EXPECT_TRUE(Contains(refused.Err, file + ": Bad entry for " + bad + "\n")) << refused.Err;
    }
    EXPECT_TRUE(Contains(refused.Err, "nothing was sent")) << refused.Err;
    EXPECT_EQ(refused.Out, "");
    EXPECT_EQ(m_sims.back()->Settings(), before);

    const CtlResult diff = Run({"--device", device, "diff", file});
    EXPECT_EQ(diff.Exit, 1);
    EXPECT_TRUE(Contains(diff.Out, "[Sensor]Triggering: sensor FreeRun, file Edgee\n")) << diff.Out;
    const std::size_t mode = diff.Out.find("[Channel#1]Mode: sensor ");
    ASSERT_NE(mode, std::string::npos) << diff.Out;
    EXPECT_TRUE(diff.Out.substr(mode, diff.Out.find('\n', mode) - mode).ends_with(", file Grey"));

    const CtlResult accepted = Run({"--device", device, "restore", file, "--accept-fallbacks"});
    EXPECT_EQ(accepted.Exit, 0) << accepted.Err;
    EXPECT_TRUE(Contains(accepted.Err, "\"Edgee\" (its fall-back is sent)")) << accepted.Err;
    EXPECT_EQ(m_sims.back()->Settings().Averaging, 0u) << "one sample, the fall-back";
}

// A restore stopped part way lists only what the sensor acknowledged as set; the rest is
// reported as not sent, in text and JSON.
TEST_F(CtlProfiles, AnInterruptedRestoreReportsOnlyWhatTheSensorTook) {
    const std::string first = StartSensor("SIM0000000000001");
    ASSERT_EQ(Run({"--device", first, "set-settings", "averaging=8"}).Exit, 0);
    ASSERT_EQ(Run({"--device", first, "set-channel", "1", "enabled=yes"}).Exit, 0);
    ASSERT_EQ(Run({"--device", first, "set-channel", "2", "enabled=yes"}).Exit, 0);
    const std::string file = m_temp / "line.spf";
    ASSERT_EQ(Run({"--device", first, "backup", file}).Exit, 0);
    for (const bool json : {false, true}) {
        // The stop comes as the settings are answered: no channel is sent after it.
        const std::string second = StartSensor("SIM0000000000002", [this](const std::string& line) {
            if (line.starts_with("!S")) {
                m_stop = true;
            }
        });
        m_stop = false;
        const CtlResult stopped =
            Run(json ? std::vector<std::string>{"--json", "--device", second, "restore", file}
                     : std::vector<std::string>{"--device", second, "restore", file});
        EXPECT_EQ(stopped.Exit, 130) << stopped.Err;
        if (json) {
            const std::size_t notSent = stopped.Out.find("\"not_sent\":[");
            ASSERT_NE(notSent, std::string::npos) << stopped.Out;
            EXPECT_EQ(stopped.Out.find("[Channel#"), stopped.Out.find("[Channel#", notSent));
        } else {
            EXPECT_TRUE(Contains(stopped.Out, "not sent [Channel#1]Enabled: No -> Yes\n"))
                << stopped.Out;
            EXPECT_TRUE(Contains(stopped.Out, "not sent [Channel#2]Enabled: No -> Yes\n"));
            EXPECT_FALSE(Contains(stopped.Out, "set [Channel#")) << stopped.Out;
        }
    }
}

// One sensor that fails does not stop the others; reports come in the order given, and the
// exit status is the worst.
TEST_F(CtlProfiles, EverySensorIsReportedInOrderAndTheWorstExitCounts) {
    const std::string first = StartSensor("SIM0000000000001");
    const std::string second = StartSensor("SIM0000000000002");
    const std::string file = m_temp / "one.spf";
    ASSERT_EQ(Run({"--device", first, "backup", file}).Exit, 0);
    ASSERT_EQ(Run({"--device", second, "set-settings", "illumination=50"}).Exit, 0);

    const std::string missing = m_temp / "no-such-device";
    const CtlResult result = Run({"--json", "--timeout", "500", "--device", first, "--device",
                                  missing, "--device", second, "diff", file});
    EXPECT_EQ(result.Exit, 3);
    std::istringstream lines(result.Out);
    std::string line;
    std::vector<std::string> reports;
    while (std::getline(lines, line)) {
        reports.push_back(line);
    }
    ASSERT_EQ(reports.size(), 3u) << result.Out;
    EXPECT_TRUE(Contains(reports[0], "\"device\":\"" + first + "\",") &&
                Contains(reports[0], "\"exit\":0,"))
        << reports[0];
    EXPECT_TRUE(Contains(reports[1], "\"exit\":3,")) << reports[1];
    EXPECT_TRUE(Contains(reports[2], "{\"key\":\"[Sensor]Illumination\",\"sensor\":\"50\","
                                     "\"file\":\"100\"}"))
        << reports[2];
    EXPECT_TRUE(Contains(result.Err, missing));
}

TEST_F(CtlProfiles, BadUsageAndUnreadableFilesAreRefusedBeforeAnySensorIsAsked) {
    EXPECT_EQ(Run({"--device", "/dev/a", "--device", "/dev/b", "backup", "line.spf"}).Exit, 2);
    EXPECT_EQ(Run({"--device", "/dev/a", "--port", "COM2", "identify"}).Exit, 2);
    EXPECT_EQ(Run({"--device", "/dev/a", "restore"}).Exit, 2);
    EXPECT_EQ(Run({"--device", "/dev/a", "diff", "a.spf", "--dry-run"}).Exit, 2);
    const CtlResult missing = Run({"--device", "/dev/a", "restore", m_temp / "none.spf"});
    EXPECT_EQ(missing.Exit, 6);
    EXPECT_TRUE(Contains(missing.Err, "none.spf")) << missing.Err;

    // Files that are no profile: nothing in them could be restored or compared.
    const std::string log = m_temp / "log.csv";
    std::ofstream(log) << "12/07/2026 10:12:28 PM,40.0,30.0,20.0,03\r\n";
    const std::string empty = m_temp / "empty.spf";
    std::ofstream{empty};
    const std::string binary = m_temp / "binary.spf";
    std::ofstream(binary, std::ios::binary) << std::string("\x7F"
                                                           "ELF\0[Sensor]\n",
                                                           14);
    for (const std::string& file : {log, empty, binary}) {
        for (const char* command : {"diff", "restore"}) {
            const CtlResult refused = Run({"--device", "/dev/a", command, file});
            EXPECT_EQ(refused.Exit, 6) << command << " " << file;
            EXPECT_TRUE(Contains(
                refused.Err, file + (file == binary ? ": not a text file" : " is not a profile")))
                << refused.Err;
        }
    }
}

TEST(CtlProfileNames, TheSerialNumberIsMadeSafeAsAFileName) {
    EXPECT_EQ(BackupFileName("l4-{serial}.spf", "SIM01"), "l4-SIM01.spf");
    EXPECT_EQ(BackupFileName("{serial}/{serial}.spf", "../x y"), ".._x_y/.._x_y.spf");
    EXPECT_EQ(BackupFileName("{serial}.spf", ".."), "_...spf");
    EXPECT_EQ(BackupFileName("{serial}.spf", ""), "unknown.spf");
}

// A colour typed into a profile reads back from the sensor in other last digits; what counts
// is whether the sensor holds the bounds a send of the file's values gives.
TEST(CtlProfileCompare, AColourCountsAsHeldWhenTheSensorHasItsBounds) {
    SensorProfile sensor;
    sensor.Values.ChannelCount = 1;
    const ComponentBounds red = PercentToBounds(33.3333, 7.3);
    sensor.Channels[0].RedLow = red.Low;
    sensor.Channels[0].RedHigh = red.High;
    const ComponentPercent read = BoundsToPercent(red.Low, red.High);
    sensor.Values.Channels[0].RedSetting = read.Setting;
    sensor.Values.Channels[0].RedTolerance = read.Tolerance;

    ProfileValues file = sensor.Values;
    file.Logging.FileName = "elsewhere.csv";
    file.SerialNumber = "another";
    file.Channels[0].RedSetting = 33.3333;
    file.Channels[0].RedTolerance = 7.3;
    EXPECT_TRUE(CompareProfile(sensor, file).empty());

    file.Channels[0].RedTolerance = 9.0;
    file.Channels[0].Enabled = 1;
    EXPECT_EQ(CompareProfile(sensor, file),
              (std::vector<KeyDifference>{
                  {{"Channel#1", "Enabled"}, "No", "Yes"},
                  {{"Channel#1", "RedTolerance"}, ProfileNumber(read.Tolerance), "9"}}));
}
