#include "sim/VirtualSensor.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <mutex>
#include <optional>
#include <vector>

#include "HostPort.h"
#include "sensor/Protocol.h"
#include "support/Deadline.h"

using std::chrono::milliseconds;

namespace {

SimConfig Unpaced() {
    SimConfig config;
    config.Pacing = false;
    return config;
}

std::string TempLinkPath(const char* name) {
    return testing::TempDir() + "spectrel-sim-" + std::to_string(::getpid()) + "-" + name;
}

bool IsLink(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

// A sensor and a host connected to it over a fresh pseudo-terminal.
struct Line {
    explicit Line(SimConfig config = Unpaced()) : Sensor(std::move(config)) {
        EXPECT_TRUE(Sensor.Start()) << Sensor.Error();
        EXPECT_TRUE(Host.Open(Sensor.SlavePath()));
    }
    VirtualSensor Sensor;
    HostPort Host;
};

std::string WithoutCr(std::string command) {
    command.pop_back();
    return command;
}

} // namespace

TEST(VirtualSensor, EveryCommandRoundTripsOverThePtyToWhatTheSensorHolds) {
    SimConfig config = Unpaced();
    config.SerialNumber = "PTY0000000000007";
    config.FirmwareMajor = 3;
    config.FirmwareMinor = 5;
    Line line(config);
    VirtualSensor& sensor = line.Sensor;

    SensorIdentity identity;
    ASSERT_TRUE(ParseIdentityReply(line.Host.Ask("!i"), identity));
    EXPECT_EQ(sensor.Identity().ModelCode, identity.ModelCode);
    EXPECT_EQ("PTY0000000000007", identity.SerialNumber);
    ParseVersionReply(line.Host.Ask("!v"), identity);
    EXPECT_EQ("3.05", FormatFirmware(identity.FirmwareMajor, identity.FirmwareMinor));

    EXPECT_EQ(sensor.Settings(), ParseSettingsReply(line.Host.Ask("!s")));
    std::optional<SensorSettings> cache = sensor.Settings();
    const SensorSettings wanted{6, TRIGGER_EDGE, 10, 0, 25};
    EXPECT_EQ("!S", line.Host.Ask(WithoutCr(BuildSendSettings(wanted, cache))));
    EXPECT_EQ(wanted, sensor.Settings());
    EXPECT_EQ(wanted, ParseSettingsReply(line.Host.Ask("!s")));

    ChannelDefinition channelCache = sensor.Channel(2);
    ChannelDefinition channel = channelCache;
    channel.Enabled = 1;
    channel.Mode = MODE_COLOR_LUMINOSITY;
    channel.RedLow = 0x6000;
    channel.RedHigh = 0x7000;
    channel.GreenLow = 0x4000;
    channel.GreenHigh = 0x5000;
    channel.BlueLow = 0x3000;
    channel.BlueHigh = 0x3800;
    EXPECT_EQ("!C", line.Host.Ask(WithoutCr(BuildSendChannel(2, channel, channelCache))));
    EXPECT_EQ("!C,1", sensor.LastCommand().substr(0, 4));
    unsigned number = 0;
    ChannelDefinition parsed;
    ASSERT_TRUE(ParseChannelReply(line.Host.Ask(WithoutCr(BuildReadChannel(2))), number, parsed));
    EXPECT_EQ(2u, number);
    EXPECT_EQ(sensor.Channel(2).RedHigh, parsed.RedHigh);
    EXPECT_EQ(0x3800u, parsed.BlueHigh);
    EXPECT_EQ(1u, parsed.Enabled);

    const CurrentReading reading = ParseDataReply(line.Host.Ask("!d"));
    EXPECT_NEAR(40.0, reading.Red, 0.01);
    EXPECT_EQ(0x02u, reading.MatchStatus); // channel 2's bounds hold 40, 30, 20 %

    ChannelDefinition teachCache = sensor.Channel(1);
    ASSERT_TRUE(ParseTeachReply(
        line.Host.Ask(
            WithoutCr(BuildTeach(1, OUTPUT_HIGH, 1, MODE_COLOR_ONLY, 5.0, 5.0, 5.0, teachCache))),
        number, parsed));
    EXPECT_EQ(1u, number);
    EXPECT_EQ(sensor.Channel(1).GreenLow, parsed.GreenLow);
    EXPECT_EQ(0x03u, ParseDataReply(line.Host.Ask("!d")).MatchStatus);

    EXPECT_EQ("?", line.Host.Ask("!c,F"));
    EXPECT_EQ("?", line.Host.Ask("!c,4")); // model 6 has four channels
    EXPECT_EQ(12u, sensor.CommandsReceived());
    EXPECT_EQ("!c,4", sensor.LastCommand());
}

TEST(VirtualSensor, ErrorAndDropFaultsAndSilenceSwitchOnAndOffWhileRunning) {
    Line line;
    VirtualSensor& sensor = line.Sensor;
    SimFaults faults;

    faults.ErrorReplyProbability = 1.0;
    sensor.SetFaults(faults);
    EXPECT_EQ("?", line.Host.Ask("!S,,,,,01"));
    EXPECT_EQ(100u, sensor.Settings().Illumination) << "a rejected command changes nothing";

    faults = {};
    faults.DropReplyProbability = 1.0;
    sensor.SetFaults(faults);
    ASSERT_TRUE(line.Host.Send("!S,,,,,01"));
    EXPECT_TRUE(line.Host.NoLineWithin(milliseconds(100)));
    EXPECT_EQ(1u, sensor.Settings().Illumination) << "a lost reply still leaves the command done";

    sensor.SetFaults({});
    EXPECT_EQ("!S", line.Host.Ask("!S,,,,,02"));

    sensor.SetSilent(true);
    ASSERT_TRUE(line.Host.Send("!i"));
    EXPECT_TRUE(line.Host.NoLineWithin(milliseconds(100)));
    sensor.SetSilent(false);
    EXPECT_EQ(21u, line.Host.Ask("!i").size());

    const auto start = std::chrono::steady_clock::now();
    sensor.SetSilentFor(300);
    ASSERT_TRUE(line.Host.Send("!v"));
    EXPECT_TRUE(line.Host.NoLineWithin(milliseconds(100)));
    std::string reply;
    EXPECT_TRUE(
        WaitUntil([&] { return (reply = line.Host.Ask("!v", milliseconds(50))) != "<no reply>"; }));
    EXPECT_EQ("!v,001,00D", reply);
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(300));
}

TEST(VirtualSensor, GarbageSplitAndJoinedRepliesStillCarryTheReplies) {
    Line line;
    VirtualSensor& sensor = line.Sensor;
    SimFaults faults;

    sensor.SendGarbageLine();
    const std::optional<std::string> unsolicited = line.Host.NextLine();
    ASSERT_TRUE(unsolicited);
    EXPECT_EQ(ReplyKind::Ignored, ClassifyReply(*unsolicited)) << *unsolicited;

    faults.GarbageLine = true;
    sensor.SetFaults(faults);
    for (int i = 0; i < 5; ++i) {
        const std::string garbage = line.Host.Ask("!v");
        EXPECT_EQ(ReplyKind::Ignored, ClassifyReply(garbage)) << garbage;
        EXPECT_EQ("!v,001,00D", line.Host.NextLine().value_or("<no reply>"));
    }

    faults = {};
    faults.SplitReply = true;
    faults.SplitGapMs = 80;
    sensor.SetFaults(faults);
    const auto sent = std::chrono::steady_clock::now();
    EXPECT_EQ("!v,001,00D", line.Host.Ask("!v"));
    EXPECT_GE(line.Host.LastLineTime() - sent, milliseconds(80));

    faults = {};
    faults.JoinReplies = true;
    sensor.SetFaults(faults);
    ASSERT_TRUE(line.Host.Send("!v"));
    EXPECT_TRUE(line.Host.NoLineWithin(milliseconds(100))) << "the first reply waits";
    EXPECT_EQ("!v,001,00D", line.Host.Ask("!s"));
    EXPECT_EQ("!s,2,0,0,0,64", line.Host.NextLine().value_or("<no reply>"));
}

TEST(VirtualSensor, ComesBackWithAnotherSerialNumberOrModel) {
    Line line;
    EXPECT_EQ("!i,6,SIM0000000000001", line.Host.Ask("!i"));
    line.Sensor.SetSilentFor(100);
    line.Sensor.SetSerialNumber("SIM0000000000002");
    line.Sensor.SetModelCode(9);
    std::string reply;
    EXPECT_TRUE(
        WaitUntil([&] { return (reply = line.Host.Ask("!i", milliseconds(50))) != "<no reply>"; }));
    EXPECT_EQ("!i,9,SIM0000000000002", reply);
    EXPECT_NE("?", line.Host.Ask("!c,E")) << "a fifteen-channel model now";
}

TEST(VirtualSensor, HangUpEndsTheHostsLineAndTheSensorReappearsUnderTheSameName) {
    const std::string link = TempLinkPath("hangup");
    VirtualSensor sensor(Unpaced());
    ASSERT_TRUE(sensor.Start(link)) << sensor.Error();
    EXPECT_EQ(link, sensor.LinkPath());
    HostPort host;
    ASSERT_TRUE(host.Open(link));
    EXPECT_EQ(21u, host.Ask("!i").size());

    sensor.HangUp();
    EXPECT_FALSE(sensor.PluggedIn());
    EXPECT_TRUE(WaitUntil([&] { return host.ReadFailed(); })) << "the host sees the line drop";
    EXPECT_FALSE(host.Send("!i"));
    EXPECT_FALSE(IsLink(link)) << "the device name disappears with the cable";
    host.Close();
    EXPECT_FALSE(host.Open(link));

    sensor.Replug();
    EXPECT_TRUE(sensor.PluggedIn());
    ASSERT_TRUE(host.Open(link));
    EXPECT_EQ(21u, host.Ask("!i").size());

    // Back by itself after a while.
    sensor.HangUp(150);
    EXPECT_TRUE(WaitUntil([&] { return host.ReadFailed(); }));
    host.Close();
    EXPECT_TRUE(WaitUntil([&] { return sensor.PluggedIn(); }));
    ASSERT_TRUE(host.Open(link));
    EXPECT_EQ(21u, host.Ask("!i").size());
    EXPECT_EQ(sensor.SlavePath(), [&] {
        char target[256] = {};
        return std::string(target, static_cast<std::size_t>(std::max<ssize_t>(
                                       0, ::readlink(link.c_str(), target, 255))));
    }());

    host.Close();
    sensor.Stop();
    EXPECT_FALSE(IsLink(link)) << "a stopped sensor takes its name away";
}

TEST(VirtualSensor, LinkNameIsReplacedButNeverAnOrdinaryFile) {
    const std::string link = TempLinkPath("link");
    ASSERT_EQ(0, ::symlink("/nonexistent/old-device", link.c_str()));
    {
        VirtualSensor sensor(Unpaced());
        ASSERT_TRUE(sensor.Start(link)) << sensor.Error();
        HostPort host;
        ASSERT_TRUE(host.Open(link));
        EXPECT_EQ(21u, host.Ask("!i").size());
        EXPECT_FALSE(sensor.Start(link)) << "already running";
    } // the destructor stops and removes the link
    EXPECT_FALSE(IsLink(link));

    std::ofstream(link) << "keep me\n";
    VirtualSensor sensor(Unpaced());
    EXPECT_FALSE(sensor.Start(link));
    EXPECT_NE(std::string::npos, sensor.Error().find("not a symbolic link")) << sensor.Error();
    std::ifstream kept(link);
    std::string text;
    std::getline(kept, text);
    EXPECT_EQ("keep me", text);
    ::unlink(link.c_str());
}

TEST(VirtualSensor, SameSeedGivesTheSameNoiseAndTheSameFaults) {
    SimConfig config = Unpaced();
    config.NoisePercent = 2.0;
    config.Seed = 7;
    config.Faults.DropReplyProbability = 0.3;
    config.Faults.ErrorReplyProbability = 0.2;

    const auto run = [](const SimConfig& sensorConfig) {
        std::mutex mutex;
        std::vector<std::string> answers;
        VirtualSensor sensor(sensorConfig);
        sensor.SetAnswerObserver([&](const std::string& answer) {
            std::lock_guard lock(mutex);
            answers.push_back(answer);
        });
        EXPECT_TRUE(sensor.Start());
        HostPort host;
        EXPECT_TRUE(host.Open(sensor.SlavePath()));
        for (int i = 0; i < 40; ++i) {
            EXPECT_TRUE(host.Send("!d"));
        }
        EXPECT_TRUE(WaitUntil([&] { return sensor.CommandsReceived() == 40; }));
        host.Close();
        sensor.Stop();
        return answers;
    };
    const std::vector<std::string> first = run(config);
    ASSERT_EQ(40u, first.size());
    EXPECT_EQ(first, run(config));
    config.Seed = 8;
    EXPECT_NE(first, run(config));
    const auto count = [&first](const char* what) {
        return std::count_if(first.begin(), first.end(), [what](const std::string& answer) {
            return answer.find(what) != std::string::npos;
        });
    };
    EXPECT_GT(count("(dropped)"), 0);
    EXPECT_GT(count("(error fault)"), 0);
}
