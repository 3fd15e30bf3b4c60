#include "cli/CtlOptions.h"

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <initializer_list>
#include <sstream>

#include "cli/Ctl.h"
#include "support/TempDir.h"

namespace {

struct Parsed {
    bool Ok;
    CtlOptions Options;
    std::string Error;
};

Parsed Parse(std::initializer_list<const char*> args) {
    Parsed parsed{false, {}, {}};
    parsed.Ok = ParseCtlOptions(std::vector<std::string>(args.begin(), args.end()), parsed.Options,
                                parsed.Error);
    return parsed;
}

// The argument is refused, and the message names the offending key or value.
void ExpectRefused(std::initializer_list<const char*> args, const std::string& named) {
    const Parsed parsed = Parse(args);
    EXPECT_FALSE(parsed.Ok) << named;
    EXPECT_NE(parsed.Error.find(named), std::string::npos) << parsed.Error;
}

} // namespace

TEST(CtlOptions, GlobalOptionsStandAnywhereInBothSpellings) {
    const Parsed first = Parse({"--device", "/dev/ttyUSB0", "--json", "identify"});
    ASSERT_TRUE(first.Ok) << first.Error;
    EXPECT_EQ(first.Options.Targets, (std::vector<CtlTarget>{{"/dev/ttyUSB0", ""}}));
    EXPECT_TRUE(first.Options.Json);
    EXPECT_EQ(first.Options.Command, CtlCommand::Identify);

    const Parsed after = Parse(
        {"monitor", "--count=3", "--port=COM2", "--period", "100", "--timeout", "500", "--json"});
    ASSERT_TRUE(after.Ok) << after.Error;
    EXPECT_EQ(after.Options.Targets, (std::vector<CtlTarget>{{"", "COM2"}}));
    EXPECT_EQ(after.Options.Count, 3u);
    EXPECT_EQ(after.Options.PeriodMs, 100u);
    EXPECT_EQ(after.Options.TimeoutMs, 500u);
    EXPECT_TRUE(after.Options.Json);

    // --help needs neither a device nor a command.
    EXPECT_TRUE(Parse({"--help"}).Options.Help);
}

TEST(CtlOptions, ExactlyOneDeviceAndOneKnownCommand) {
    ExpectRefused({"identify"}, "--device");
    ExpectRefused({"--device", "/dev/a", "--port", "COM1", "identify"}, "--device");
    ExpectRefused({"--device", "/dev/a", "--device", "/dev/b", "identify"}, "twice");
    ExpectRefused({"--device", "/dev/a"}, "no command");
    ExpectRefused({"--device", "/dev/a", "reboot"}, "reboot");
    ExpectRefused({"--device"}, "--device needs a value");
    ExpectRefused({"--device", "/dev/a", "identify", "now"}, "now");
    ExpectRefused({"--device", "/dev/a", "--json=yes", "identify"}, "--json");
    ExpectRefused({"--device", "/dev/a", "--timeout", "50", "identify"}, "--timeout");
    // A COM port the control panel does not offer is a typing mistake, not a device to open.
    ExpectRefused({"--port", "COM17", "identify"}, "not \"COM17\"");
    ExpectRefused({"--port", "com3", "identify"}, "not \"com3\"");
    EXPECT_TRUE(Parse({"--port", "COM03", "identify"}).Ok);
}

TEST(CtlOptions, SettingsAreGivenInUnitsAndTravelAsIndexes) {
    const Parsed parsed = Parse({"--device", "/dev/a", "set-settings", "averaging=64",
                                 "triggering=edge", "delay=50", "illumination=0"});
    ASSERT_TRUE(parsed.Ok) << parsed.Error;
    const SettingsChange& change = parsed.Options.Settings;
    EXPECT_EQ(change.Averaging, 6u);
    EXPECT_EQ(change.Triggering, 2u);
    EXPECT_EQ(change.OutputDelay, 5u);
    EXPECT_EQ(change.Illumination, 0u);

    const Parsed one = Parse({"--device", "/dev/a", "set-settings", "averaging=1"});
    ASSERT_TRUE(one.Ok);
    EXPECT_EQ(one.Options.Settings.Averaging, 0u);
    EXPECT_FALSE(one.Options.Settings.Triggering);
    EXPECT_FALSE(one.Options.Settings.OutputDelay);
    EXPECT_FALSE(one.Options.Settings.Illumination);
}

TEST(CtlOptions, SettingsOutOfRangeAreRefused) {
    ExpectRefused({"--device", "/dev/a", "set-settings", "averaging=3"}, "\"3\"");
    ExpectRefused({"--device", "/dev/a", "set-settings", "averaging=128"}, "\"128\"");
    ExpectRefused({"--device", "/dev/a", "set-settings", "delay=15"}, "\"15\"");
    ExpectRefused({"--device", "/dev/a", "set-settings", "delay=110"}, "\"110\"");
    ExpectRefused({"--device", "/dev/a", "set-settings", "illumination=101"}, "\"101\"");
    ExpectRefused({"--device", "/dev/a", "set-settings", "illumination=-1"}, "\"-1\"");
    ExpectRefused({"--device", "/dev/a", "set-settings", "triggering=Level"}, "freerun|level|edge");
    ExpectRefused({"--device", "/dev/a", "set-settings", "ambient=on"}, "ambient=on");
    ExpectRefused({"--device", "/dev/a", "set-settings", "delay=10", "delay=20"}, "twice");
    ExpectRefused({"--device", "/dev/a", "set-settings"}, "at least one");
}

TEST(CtlOptions, ChannelValuesAndTheSharedTolerance) {
    const Parsed parsed =
        Parse({"--device", "/dev/a", "set-channel", "15", "green-tolerance=2.5", "tolerance=10",
               "enabled=no", "mode=color-luminosity", "output=low", "red=40.5", "blue=0"});
    ASSERT_TRUE(parsed.Ok) << parsed.Error;
    const ChannelChange& change = parsed.Options.Values;
    EXPECT_EQ(parsed.Options.Channel, 15u);
    EXPECT_EQ(change.Enabled, 0u);
    EXPECT_EQ(change.Mode, 0u);
    EXPECT_EQ(change.MatchOutput, 1u);
    EXPECT_EQ(change.Red, 40.5);
    EXPECT_FALSE(change.Green);
    EXPECT_EQ(change.Blue, 0.0);
    // A colour's own tolerance wins over tolerance= even when it comes first.
    EXPECT_EQ(change.RedTolerance, 10.0);
    EXPECT_EQ(change.GreenTolerance, 2.5);
    EXPECT_EQ(change.BlueTolerance, 10.0);

    const Parsed teach = Parse({"--device", "/dev/a", "teach", "2", "tolerance=12.5"});
    ASSERT_TRUE(teach.Ok) << teach.Error;
    EXPECT_EQ(teach.Options.Channel, 2u);
    EXPECT_EQ(teach.Options.TeachTolerance, 12.5);
}

TEST(CtlOptions, ChannelNumbersAndPercentagesOutOfRangeAreRefused) {
    ExpectRefused({"--device", "/dev/a", "set-channel", "0", "enabled=yes"}, "\"0\"");
    ExpectRefused({"--device", "/dev/a", "set-channel", "16", "enabled=yes"}, "\"16\"");
    ExpectRefused({"--device", "/dev/a", "set-channel", "enabled=yes"}, "channel number");
    ExpectRefused({"--device", "/dev/a", "set-channel", "1"}, "at least one");
    ExpectRefused({"--device", "/dev/a", "set-channel", "1", "red=100.1"}, "\"100.1\"");
    ExpectRefused({"--device", "/dev/a", "set-channel", "1", "red=-0.5"}, "\"-0.5\"");
    ExpectRefused({"--device", "/dev/a", "set-channel", "1", "red=nan"}, "\"nan\"");
    ExpectRefused({"--device", "/dev/a", "set-channel", "1", "red=1e400"}, "\"1e400\"");
    ExpectRefused({"--device", "/dev/a", "set-channel", "1", "tolerance=50.5"}, "\"50.5\"");
    ExpectRefused({"--device", "/dev/a", "set-channel", "1", "blue-tolerance=51"}, "\"51\"");
    ExpectRefused({"--device", "/dev/a", "set-channel", "1", "enabled=true"}, "yes|no");
    ExpectRefused({"--device", "/dev/a", "set-channel", "1", "colour=red"}, "colour=red");
    ExpectRefused({"--device", "/dev/a", "teach", "3", "tolerance=60"}, "\"60\"");
    ExpectRefused({"--device", "/dev/a", "teach", "3", "red=40"}, "red=40");
    ExpectRefused({"--device", "/dev/a", "channels", "1", "2"}, "at most one");
    ExpectRefused({"--device", "/dev/a", "channels", "x=1"}, "channel number");
    ExpectRefused({"--device", "/dev/a", "monitor", "--count", "0"}, "--count");
    ExpectRefused({"--device", "/dev/a", "monitor", "--period", "10"}, "--period");
    ExpectRefused({"--device", "/dev/a", "monitor", "--period"}, "needs a value");
}

// Numbers on the command line mean the same under a locale whose decimal mark is a comma.
TEST(CtlOptions, NumbersIgnoreTheLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no decimal-comma locale installed";
    }
    const Parsed point = Parse({"--device", "/dev/a", "set-channel", "1", "red=40.5"});
    const Parsed comma = Parse({"--device", "/dev/a", "set-channel", "1", "red=40,5"});
    std::setlocale(LC_ALL, previous.c_str());
    ASSERT_TRUE(point.Ok) << point.Error;
    EXPECT_EQ(point.Options.Values.Red, 40.5);
    EXPECT_FALSE(comma.Ok);
}

TEST(CtlOptions, LogTakesTheFileModeIntervalAndPeriod) {
    const Parsed parsed = Parse({"--device", "/dev/a", "log", "line3.csv", "--mode", "interval",
                                 "--interval=30", "--period", "500"});
    ASSERT_TRUE(parsed.Ok) << parsed.Error;
    EXPECT_EQ(parsed.Options.Command, CtlCommand::Log);
    EXPECT_EQ(parsed.Options.Log, (LogSettings{"line3.csv", LOG_ON_INTERVAL, 30}));
    EXPECT_EQ(parsed.Options.PeriodMs, 500u);
    EXPECT_EQ(Parse({"--device", "/dev/a", "log", "x.csv"}).Options.Log,
              (LogSettings{"x.csv", LOG_CONTINUOUS, 1}));

    ExpectRefused({"--device", "/dev/a", "log"}, "file");
    ExpectRefused({"--device", "/dev/a", "log", "--mode", "match"}, "file");
    ExpectRefused({"--device", "/dev/a", "log", "x.csv", "--mode", "often"}, "continuous|match");
    ExpectRefused({"--device", "/dev/a", "log", "x.csv", "--interval", "-1"}, "--interval");
    ExpectRefused({"--device", "/dev/a", "log", "x.csv", "--interval", "86401"}, "--interval");
    ExpectRefused({"--device", "/dev/a", "log", "x.csv", "--count", "3"}, "--count");
}

// One line per value of a repeated option, in any order; the command line wins.
TEST(CtlOptions, ConfigFileGivesOptionsTheCommandLineOverrides) {
    TempDir temp;
    const std::string file = temp / "line4.conf";
    std::ofstream(file) << "device = /dev/ttyUSB0\n# the second sensor\ntimeout = 700\n"
                           "json = true\nport = COM2\nperiod = 500\n";
    const Parsed both = Parse({"--config", file.c_str(), "--timeout", "900", "diff", "x.spf"});
    ASSERT_TRUE(both.Ok) << both.Error;
    EXPECT_EQ(both.Options.Targets, (std::vector<CtlTarget>{{"/dev/ttyUSB0", ""}, {"", "COM2"}}));
    EXPECT_TRUE(both.Options.Json);
    EXPECT_EQ(both.Options.TimeoutMs, 900u);

    // A sensor named on the command line replaces the file's; the command takes its own keys.
    const Parsed monitor = Parse({"monitor", "--device", "/dev/ttyACM0", "--config", file.c_str()});
    ASSERT_TRUE(monitor.Ok) << monitor.Error;
    EXPECT_EQ(monitor.Options.Targets, (std::vector<CtlTarget>{{"/dev/ttyACM0", ""}}));
    EXPECT_EQ(monitor.Options.PeriodMs, 500u);
    EXPECT_EQ(monitor.Options.TimeoutMs, 700u);
}

TEST(CtlOptions, ConfigFileWithABadKeyOrValueIsBadUsage) {
    TempDir temp;
    const auto run = [&temp](const std::string& text, std::initializer_list<const char*> args) {
        std::ofstream(temp / "bad.conf") << text;
        std::vector<std::string> line{"--config", temp / "bad.conf"};
        line.insert(line.end(), args.begin(), args.end());
        std::ostringstream out, err;
        const std::atomic<bool> stop{false};
        const int status = RunSpectrelCtl(line, out, err, stop);
        return std::make_pair(status, err.str());
    };
    const auto [status, message] = run("device = /dev/ttyUSB0\ncolour = red\n", {"identify"});
    EXPECT_EQ(status, 2);
    EXPECT_NE(message.find("unknown key \"colour\""), std::string::npos) << message;
    EXPECT_NE(message.find("bad.conf"), std::string::npos) << message;
    // A switch given a value, a section, a value out of range, a file that is not there.
    EXPECT_EQ(run("device = /dev/a\njson = yes\n", {"identify"}).first, 2);
    EXPECT_EQ(run("[monitor]\nperiod = 500\n", {"--device", "/dev/a", "monitor"}).first, 2);
    EXPECT_NE(run("timeout = 5\n", {"--device", "/dev/a", "identify"}).second.find("\"5\""),
              std::string::npos);
    std::ostringstream out, err;
    const std::atomic<bool> stop{false};
    EXPECT_EQ(RunSpectrelCtl({"--config", temp / "none.conf", "identify"}, out, err, stop), 2);
    EXPECT_NE(err.str().find("none.conf"), std::string::npos) << err.str();
}

// A service's whole command line is "--config FILE publish": every option comes from the file.
TEST(CtlOptions, PublishTakesSeveralSensorsAndItsOptionsFromTheFile) {
    TempDir temp;
    const std::string file = temp / "publish.conf";
    std::ofstream(file) << "device = /dev/ttyUSB0\ndevice = rfc2217://line4:4001\n"
                           "broker = mqtts://[::1]:8884\ncafile = /etc/ca.crt\ninsecure = true\n"
                           "discovery = true\ntopic-prefix = plant/line4\nperiod = 100\n";
    const Parsed parsed = Parse({"--config", file.c_str(), "publish", "--client-id", "desk"});
    ASSERT_TRUE(parsed.Ok) << parsed.Error;
    const PublishSettings& publish = parsed.Options.Publish;
    EXPECT_EQ(parsed.Options.Targets.size(), 2u);
    EXPECT_EQ(publish.Broker, "mqtts://[::1]:8884");
    EXPECT_EQ(publish.CaFile, "/etc/ca.crt");
    EXPECT_TRUE(publish.Insecure);
    EXPECT_TRUE(publish.Discovery);
    EXPECT_EQ(publish.TopicPrefix, "plant/line4");
    EXPECT_EQ(publish.ClientId, "desk");
    EXPECT_EQ(parsed.Options.PeriodMs, 100u);

    ExpectRefused({"--device", "/dev/ttyUSB0", "publish", "--broker"}, "--broker needs a value");
    ExpectRefused({"--device", "/dev/ttyUSB0", "publish", "--insecure=yes"}, "--insecure");
    ExpectRefused({"--device", "a", "--device", "b", "monitor"}, "--device or --port is given");
}
