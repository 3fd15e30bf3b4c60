// spectrelctl against the virtual sensor on a real pseudo-terminal, run in-process.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <thread>

#include "cli/Ctl.h"
#include "cli/CtlLog.h"
#include "logging/LogWriter.h"
#include "sensor/SensorRecords.h"
#include "sim/VirtualSensor.h"
#include "support/Deadline.h"
#include "support/FileText.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"

using namespace std::chrono_literals;

namespace {

struct CtlResult {
    int Exit;
    std::string Out;
    std::string Err;
};

class Spectrelctl : public ::testing::Test {
protected:
    using Observer = std::function<void(const std::string&)>;

    // Use as ASSERT_NO_FATAL_FAILURE(Start(...)).
    void Start(SimConfig config = {}, Observer observer = {}) {
        config.Pacing = false;
        m_sim = std::make_unique<VirtualSensor>(std::move(config));
        if (observer) {
            m_sim->SetAnswerObserver(std::move(observer));
        }
        ASSERT_TRUE(m_sim->Start()) << m_sim->Error();
    }

    VirtualSensor& Sim() { return *m_sim; }
    std::string Device() const { return m_sim->SlavePath(); }

    CtlResult Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--device", Device()});
        return RunWithout(std::move(args));
    }

    CtlResult RunWithout(const std::vector<std::string>& args) {
        std::ostringstream out;
        std::ostringstream err;
        const int exit = RunSpectrelCtl(args, out, err, m_stop);
        return {exit, out.str(), err.str()};
    }

    static std::size_t Lines(const std::string& text) {
        return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    }

    std::atomic<bool> m_stop{false};
    std::unique_ptr<VirtualSensor> m_sim;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Lines of the data log; the test holds the thread that writes them.
std::size_t Records(const std::string& path) {
    const std::string text = FileText(path);
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// spectrelctl log running on a thread of its own until the test stops it. Its messages are
// kept in a stream the test reads only after the stop.
class LogRun {
public:
    LogRun(std::vector<std::string> args, std::atomic<bool>& stop)
        : m_stop(stop), m_thread([this, args = std::move(args)] {
              std::ostringstream out;
              m_exit = RunSpectrelCtl(args, out, m_err, m_stop);
          }) {}
    ~LogRun() { Stop(); }
    LogRun(const LogRun&) = delete;
    LogRun& operator=(const LogRun&) = delete;

    void Stop() {
        if (m_thread.joinable()) {
            m_stop = true;
            m_thread.join();
            m_stop = false;
        }
    }
    int Exit() const { return m_exit; }
    std::string Err() const { return m_err.str(); }

private:
    std::atomic<bool>& m_stop;
    std::ostringstream m_err;
    int m_exit = -1;
    std::thread m_thread;
};

} // namespace

TEST_F(Spectrelctl, IdentifySettingsAndChannelsInTextAndJson) {
    SimConfig config;
    config.ModelCode = 9;
    config.SerialNumber = "CLI-SERIAL-00042";
    config.FirmwareMajor = 2;
    config.FirmwareMinor = 3;
    ASSERT_NO_FATAL_FAILURE(Start(config));

    const CtlResult text = Run({"identify"});
    EXPECT_EQ(text.Exit, 0) << text.Err;
    EXPECT_TRUE(Contains(text.Out, "model:        9 (Spectrel-15)\n")) << text.Out;
    EXPECT_TRUE(Contains(text.Out, "serial:       CLI-SERIAL-00042\n")) << text.Out;
    EXPECT_TRUE(Contains(text.Out, "firmware:     2.03\n")) << text.Out;

    // A path given as a port name is taken as it is.
    const CtlResult json = RunWithout({"--json", "--port", Device(), "identify"});
    EXPECT_EQ(json.Exit, 0) << json.Err;
    EXPECT_EQ(json.Out, "{\"model\":9,\"name\":\"Spectrel-15\",\"channels\":15,\"logging\":true,"
                        "\"serial\":\"CLI-SERIAL-00042\",\"firmware\":\"2.03\"}\n");

    const SensorSettings held = Sim().Settings();
    const CtlResult settings = Run({"settings", "--json"});
    EXPECT_EQ(settings.Exit, 0) << settings.Err;
    EXPECT_EQ(settings.Out,
              "{\"averaging\":" + std::to_string(1u << held.Averaging) +
                  ",\"triggering\":\"freerun\",\"delay\":" + std::to_string(held.OutputDelay * 10) +
                  ",\"illumination\":" + std::to_string(held.Illumination) +
                  ",\"ambient_subtraction\":" + (held.AmbientSubtraction != 0 ? "true" : "false") +
                  "}\n");

    const CtlResult table = Run({"channels"});
    EXPECT_EQ(table.Exit, 0) << table.Err;
    EXPECT_EQ(Lines(table.Out), 16u) << table.Out; // header and fifteen channels
    EXPECT_EQ(Sim().LastCommand(), "!c,E");

    const CtlResult one = Run({"channels", "15", "--json"});
    EXPECT_EQ(one.Exit, 0) << one.Err;
    EXPECT_EQ(one.Out.rfind("[{\"channel\":15,\"enabled\":false,", 0), 0u) << one.Out;
}

// --port COMn follows the user's [Ports] entry, as the control panel does.
TEST_F(Spectrelctl, PortNamesFollowThePreferences) {
    ASSERT_NO_FATAL_FAILURE(Start());
    TempDir config;
    ASSERT_FALSE(config.Path().empty());
    std::filesystem::create_directories(config / "Orvane Industries");
    std::ofstream(config / "Orvane Industries/spectrel.conf")
        << "[Settings]\nCOM Port=COM7\n[Ports]\nCOM7=" << Device() << "\n";
    const char* previous = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    const CtlResult mapped = RunWithout({"--port", "COM7", "identify"});
    const CtlResult unmapped = RunWithout({"--port", "COM16", "--timeout", "100", "identify"});
    // Preferences that cannot be read say so, rather than sending COM7 to its default device.
    std::ofstream(config / "Orvane Industries/spectrel.conf", std::ios::binary)
        << std::string("[Ports]\0\x01", 9);
    const CtlResult unreadable = RunWithout({"--port", "COM7", "identify"});
    previous != nullptr ? ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1)
                        : ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(mapped.Exit, 0) << mapped.Err;
    // No entry: the default device of COM16, which is not this sensor.
    EXPECT_NE(unmapped.Exit, 0);
    EXPECT_TRUE(Contains(unmapped.Err, "/dev/ttyS15")) << unmapped.Err;
    EXPECT_EQ(unreadable.Exit, 3);
    EXPECT_TRUE(Contains(unreadable.Err, "cannot tell which device COM7 is: Cannot read " +
                                             config / "Orvane Industries/spectrel.conf"))
        << unreadable.Err;
    EXPECT_FALSE(Contains(unreadable.Err, "/dev/ttyS6"));
}

// A sensor that answers, but in a form no parser reads (an identity with a two-digit model
// code), is not reported as silent.
TEST(SpectrelctlLine, RepliesOfTheWrongFormAreNotCalledNoAnswer) {
    PtyPair line;
    ASSERT_TRUE(line.IsValid());
    std::atomic<bool> done{false};
    std::thread sensor([&] {
        while (!done) {
            if (line.ReadFromMaster(1, 20ms).find('\r') != std::string::npos) {
                line.WriteToMaster("!i06SIM0000000000001xx\r");
            }
        }
    });
    std::ostringstream out;
    std::ostringstream err;
    std::atomic<bool> stop{false};
    const int exit = RunSpectrelCtl({"--device", line.SlavePath(), "--timeout", "500", "identify"},
                                    out, err, stop);
    done = true;
    sensor.join();
    EXPECT_EQ(exit, 4);
    EXPECT_TRUE(Contains(err.str(), "replies were of the wrong form")) << err.str();
    EXPECT_FALSE(Contains(err.str(), "no answer from the sensor")) << err.str();
}

TEST_F(Spectrelctl, SetSettingsChangesOnlyTheGivenFieldsAndUnchangedWritesNothing) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const SensorSettings before = Sim().Settings();

    const CtlResult changed = Run({"set-settings", "illumination=55", "delay=70"});
    EXPECT_EQ(changed.Exit, 0) << changed.Err;
    SensorSettings expected = before;
    expected.Illumination = 55;
    expected.OutputDelay = 7;
    EXPECT_EQ(Sim().Settings(), expected);
    EXPECT_EQ(Sim().LastCommand(), "!S,,,7,,37");
    EXPECT_TRUE(Contains(changed.Out, "illumination:        55 %\n")) << changed.Out;

    const std::uint64_t commands = Sim().CommandsReceived();
    const CtlResult same = Run({"set-settings", "illumination=55"});
    EXPECT_EQ(same.Exit, 0) << same.Err;
    EXPECT_EQ(Sim().Settings(), expected);
    EXPECT_EQ(Sim().LastCommand(), "!s"); // identify, read, and no send
    EXPECT_EQ(Sim().CommandsReceived(), commands + 2);
}

TEST_F(Spectrelctl, SetChannelChangesOnlyTheGivenFields) {
    ASSERT_NO_FATAL_FAILURE(Start());
    // Teaching with tolerance 0 leaves narrow bounds, whose tolerance a read shows clamped.
    ASSERT_EQ(Run({"teach", "1", "tolerance=0"}).Exit, 0);
    const ChannelDefinition taught = Sim().Channel(1);

    const CtlResult flags = Run({"set-channel", "1", "enabled=yes", "output=low"});
    EXPECT_EQ(flags.Exit, 0) << flags.Err;
    const ChannelDefinition afterFlags = Sim().Channel(1);
    EXPECT_EQ(afterFlags.Enabled, 1u);
    EXPECT_EQ(afterFlags.MatchOutput, 1u);
    EXPECT_EQ(afterFlags.Mode, taught.Mode);
    EXPECT_EQ(afterFlags.RedLow, taught.RedLow);
    EXPECT_EQ(afterFlags.RedHigh, taught.RedHigh);
    EXPECT_EQ(afterFlags.BlueHigh, taught.BlueHigh);
    EXPECT_EQ(Sim().LastCommand(), "!C,0,1,1,,,,,,,");

    const CtlResult green = Run({"set-channel", "1", "green=50", "green-tolerance=10"});
    EXPECT_EQ(green.Exit, 0) << green.Err;
    const ChannelDefinition afterGreen = Sim().Channel(1);
    EXPECT_EQ(afterGreen.GreenLow, PercentToBounds(50.0, 10.0).Low);
    EXPECT_EQ(afterGreen.GreenHigh, PercentToBounds(50.0, 10.0).High);
    EXPECT_EQ(afterGreen.RedLow, taught.RedLow);
    EXPECT_EQ(afterGreen.BlueLow, taught.BlueLow);
    EXPECT_EQ(afterGreen.Enabled, 1u);

    const CtlResult same = Run({"set-channel", "1", "enabled=yes", "--json"});
    EXPECT_EQ(same.Exit, 0) << same.Err;
    EXPECT_EQ(Sim().LastCommand(), "!c,0");
    EXPECT_TRUE(Contains(same.Out, "\"green_low\":" + std::to_string(afterGreen.GreenLow)))
        << same.Out;
}

TEST_F(Spectrelctl, TeachTakesTheTargetAndReportsAdjustedTolerances) {
    SimConfig config;
    config.TargetRed = 60.0;
    config.TargetGreen = 30.0;
    config.TargetBlue = 10.0;
    ASSERT_NO_FATAL_FAILURE(Start(config));

    const CtlResult kept = Run({"teach", "2", "tolerance=10"});
    EXPECT_EQ(kept.Exit, 0) << kept.Err;
    const ChannelDefinition taught = Sim().Channel(2);
    EXPECT_NEAR(RawToPercent(taught.RedLow + taught.RedHigh) / 2.0, 60.0, 0.1);
    EXPECT_NEAR(RawToPercent(taught.BlueLow + taught.BlueHigh) / 2.0, 10.0, 0.1);
    EXPECT_TRUE(Contains(kept.Out, " 60.0   30.0   10.0   10.0   10.0   10.0")) << kept.Out;
    EXPECT_FALSE(Contains(kept.Out, "adjusted")) << kept.Out;

    const CtlResult narrow = Run({"teach", "3", "tolerance=0", "--json"});
    EXPECT_EQ(narrow.Exit, 0) << narrow.Err;
    EXPECT_TRUE(Contains(narrow.Out, "\"adjusted_tolerances\":{\"Red\":")) << narrow.Out;
}

TEST_F(Spectrelctl, MonitorPrintsReadingsUntilTheCountOrAStop) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const CtlResult counted = Run({"monitor", "--count", "3", "--period", "50"});
    EXPECT_EQ(counted.Exit, 0) << counted.Err;
    const std::regex record(
        R"((\d\d/\d\d/\d{4} \d\d:\d\d:\d\d [AP]M,40\.0,30\.0,20\.0,[0-9A-F]{2}\n){3})");
    EXPECT_TRUE(std::regex_match(counted.Out, record)) << counted.Out;

    // Without a count it runs until stopped (SIGINT/SIGTERM set the flag), then lets go of the
    // port: the next command opens it again.
    CtlResult stopped{};
    const std::uint64_t before = Sim().CommandsReceived();
    std::thread monitor([&] { stopped = Run({"monitor", "--period", "50", "--json"}); });
    const bool polled = WaitUntil([&] { return Sim().CommandsReceived() >= before + 4; });
    m_stop = true;
    monitor.join();
    m_stop = false;
    ASSERT_TRUE(polled);
    EXPECT_EQ(stopped.Exit, 0) << stopped.Err;
    EXPECT_GE(Lines(stopped.Out), 2u);
    EXPECT_EQ(stopped.Out.rfind("{\"time\":\"", 0), 0u) << stopped.Out;
    EXPECT_EQ(Run({"identify"}).Exit, 0);
}

TEST_F(Spectrelctl, ValuesOutOfRangeAreRefusedBeforeAnythingIsSent) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const CtlResult colour = Run({"set-channel", "1", "red=120"});
    EXPECT_EQ(colour.Exit, 2);
    EXPECT_TRUE(Contains(colour.Err, "red must be a percentage from 0 to 100")) << colour.Err;
    EXPECT_EQ(Run({"set-settings", "averaging=5"}).Exit, 2);
    EXPECT_EQ(Sim().CommandsReceived(), 0u);

    // The channel count is known once the sensor has said which model it is: nothing but the
    // identify request goes out.
    const CtlResult channel = Run({"set-channel", "5", "enabled=yes"});
    EXPECT_EQ(channel.Exit, 2);
    EXPECT_TRUE(Contains(channel.Err, "channel 5 does not exist: the Spectrel-4 has 4 channels"))
        << channel.Err;
    EXPECT_EQ(Sim().LastCommand(), "!i");
    EXPECT_EQ(Sim().CommandsReceived(), 1u);
}

TEST_F(Spectrelctl, FailuresEndWithTheirExitCodes) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const CtlResult missing = RunWithout({"--device", "/dev/spectrel-none", "identify"});
    EXPECT_EQ(missing.Exit, 3);
    EXPECT_EQ(missing.Err,
              "spectrelctl: cannot open /dev/spectrel-none: No such file or directory\n");

    Sim().SetSilent(true);
    const auto start = std::chrono::steady_clock::now();
    const CtlResult silent = Run({"--timeout", "300", "identify"});
    const auto waited = std::chrono::steady_clock::now() - start;
    std::printf("silent sensor given up after %.0f ms\n",
                std::chrono::duration<double, std::milli>(waited).count());
    EXPECT_EQ(silent.Exit, 4);
    EXPECT_EQ(silent.Err, "spectrelctl: no answer from the sensor on " + Device() +
                              " to the identify request\n");
    EXPECT_LT(waited, 2s);
}

// The sensor answers the identify request and then goes silent: the proxy re-sends the
// settings request until it gives up, and that is "no answer" too.
TEST_F(Spectrelctl, ARequestTheSensorNeverAnswersEndsWithNoAnswer) {
    ASSERT_NO_FATAL_FAILURE(Start({}, [this](const std::string& line) {
        if (line.rfind("!i ", 0) == 0) {
            m_sim->SetSilent(true);
        }
    }));
    const CtlResult result = Run({"settings"});
    EXPECT_EQ(result.Exit, 4);
    EXPECT_EQ(result.Err, "spectrelctl: no answer from the sensor on " + Device() +
                              " to the settings request\n");
    EXPECT_EQ(Sim().CommandsReceived(), 1u + 17u);
}

TEST_F(Spectrelctl, ASensorThatRejectsTheRequestEndsWithExit5) {
    ASSERT_NO_FATAL_FAILURE(Start({}, [this](const std::string& line) {
        if (line.rfind("!i ", 0) == 0) {
            SimFaults faults;
            faults.ErrorReplyProbability = 1.0;
            m_sim->SetFaults(faults);
        }
    }));
    const CtlResult result = Run({"identify"});
    EXPECT_EQ(result.Exit, 5);
    EXPECT_EQ(result.Err, "spectrelctl: the sensor on " + Device() +
                              " reported an error: it rejected the version request\n");
    EXPECT_TRUE(result.Out.empty());
}

TEST_F(Spectrelctl, HelpDocumentsEveryCommandAndExitCode) {
    const CtlResult help = RunWithout({"--help"});
    EXPECT_EQ(help.Exit, 0);
    for (const char* word : {"identify", "settings", "channels [N]", "monitor [--count K]",
                             "set-settings", "set-channel N", "teach N", "--timeout", "--json",
                             "\n  0 ", "\n  2 ", "\n  3 ", "\n  4 ", "\n  5 "}) {
        EXPECT_TRUE(Contains(help.Out, word)) << word;
    }
}

// At 10 MB the log goes on in the next numbered file; the full one is left as it is.
TEST_F(Spectrelctl, LogContinuesAFullFileInTheNextNumberedOne) {
    ASSERT_NO_FATAL_FAILURE(Start());
    TempDir temp;
    const std::string full = temp / "line.csv";
    ASSERT_TRUE(MakeFileOfSize(full, CLogWriter::SIZE_LIMIT));
    {
        LogRun run({"--device", Device(), "log", full, "--period", "50"}, m_stop);
        EXPECT_TRUE(WaitUntil([&] { return Records(temp / "line.1.csv") >= 3; }));
        run.Stop();
        EXPECT_EQ(run.Exit(), 0) << run.Err();
        EXPECT_TRUE(
            Contains(run.Err(), "line.csv has reached the 10 MB limit; the log goes on in " +
                                    temp / "line.1.csv"))
            << run.Err();
    }
    const std::regex records(
        R"((\d\d/\d\d/\d{4} \d\d:\d\d:\d\d [AP]M,40\.0,30\.0,20\.0,[0-9A-F]{2}\r\n)+)");
    EXPECT_TRUE(std::regex_match(FileText(temp / "line.1.csv"), records));
    EXPECT_EQ(std::filesystem::file_size(full),
              static_cast<std::uintmax_t>(CLogWriter::SIZE_LIMIT));
    EXPECT_EQ(NumberedLogName("/var/log.d/line", 2), "/var/log.d/line.2");
    EXPECT_EQ(NumberedLogName(".hidden", 1), ".hidden.1");

    const CtlResult missing = Run({"log", temp / "missing/line.csv"});
    EXPECT_EQ(missing.Exit, 2);
    EXPECT_TRUE(Contains(missing.Err, "No such file or directory")) << missing.Err;
    const std::string fifo = temp / "fifo.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const CtlResult pipe = Run({"log", fifo});
    EXPECT_EQ(pipe.Exit, 2);
    EXPECT_TRUE(Contains(pipe.Err, fifo + ": not a regular file but a FIFO")) << pipe.Err;
}

// A disk that is full (here: the file may not grow) loses records, says so once, and logging
// goes on as soon as there is room again.
TEST_F(Spectrelctl, LogReportsRecordsLostToAFullDiskAndGoesOn) {
    ASSERT_NO_FATAL_FAILURE(Start());
    TempDir temp;
    const std::string path = temp / "line.csv";
    LogRun run({"--device", Device(), "log", path, "--period", "50"}, m_stop);
    ASSERT_TRUE(WaitUntil([&] { return Records(path) >= 2; }));
    {
        const FileSizeLimit full(std::filesystem::file_size(path));
        ASSERT_TRUE(full.Set());
        const std::uint64_t polls = Sim().CommandsReceived();
        EXPECT_TRUE(WaitUntil([&] { return Sim().CommandsReceived() >= polls + 5; }));
    }
    const std::size_t before = Records(path);
    EXPECT_TRUE(WaitUntil([&] { return Records(path) >= before + 2; }));
    run.Stop();
    EXPECT_EQ(run.Exit(), 0);
    EXPECT_TRUE(Contains(run.Err(), "cannot write to " + path + ": File too large")) << run.Err();
    EXPECT_TRUE(Contains(run.Err(), "writing to " + path + " again; ")) << run.Err();
    EXPECT_EQ(FileText(path).back(), '\n');
}

// A pulled cable for longer than the proxy waits: the sensor is looked for again and logged
// once it answers.
TEST_F(Spectrelctl, LogGoesOnAcrossAnUnpluggedSensor) {
    TempDir temp;
    // The adapter comes back under the same name, as a USB serial device does.
    const std::string device = temp / "ttySENSOR";
    SimConfig config;
    config.Pacing = false;
    m_sim = std::make_unique<VirtualSensor>(config);
    ASSERT_TRUE(m_sim->Start(device)) << m_sim->Error();
    const std::string path = temp / "line.csv";
    LogRun run({"--device", device, "log", path, "--period", "100"}, m_stop);
    ASSERT_TRUE(WaitUntil([&] { return Records(path) >= 2; }));
    Sim().HangUp(6500);
    // At most one poll was on its way when the line went down.
    const std::size_t before = Records(path) + 1;
    const bool resumed = WaitUntil([&] { return Records(path) >= before + 2; }, 20s);
    run.Stop();
    EXPECT_TRUE(resumed);
    EXPECT_EQ(run.Exit(), 0);
    EXPECT_TRUE(Contains(run.Err(), "no answer from the sensor on " + device +
                                        " to the data request; waiting for it to answer again"))
        << run.Err();
    EXPECT_TRUE(Contains(run.Err(), "the sensor answers again; logging goes on")) << run.Err();
}

// Two enabled channels over the same colour overlap; a series with noise of a known size gives
// its mean and deviation back; a steady target has no deviation, so no Cp or Cpk; every
// monitor line carries one margin per enabled channel after the log's fields.
TEST_F(Spectrelctl, StatsAndMonitorMarginsOnTheVirtualSensor) {
    SimConfig noisy;
    noisy.NoisePercent = 0.5;
    noisy.Seed = 7;
    ASSERT_NO_FATAL_FAILURE(Start(noisy));
    for (const char* channel : {"1", "2"}) {
        ASSERT_EQ(Run({"set-channel", channel, "enabled=yes", "red=40", "green=30", "blue=20",
                       "tolerance=10"})
                      .Exit,
                  0);
    }
    const CtlResult stats = Run({"--json", "stats", "--count", "40", "--period", "50"});
    ASSERT_EQ(stats.Exit, 0) << stats.Err;
    std::smatch red;
    ASSERT_TRUE(std::regex_search(stats.Out, red,
                                  std::regex(R"("red":\{"mean":([-0-9.e]+),"sd":([-0-9.e]+))")))
        << stats.Out;
    EXPECT_NEAR(std::stod(red[1]), 40.0, 0.3);
    EXPECT_NEAR(std::stod(red[2]), 0.25, 0.1) << "each reading averages four noisy samples";
    EXPECT_TRUE(Contains(stats.Out, "{\"count\":40,")) << stats.Out;
    EXPECT_TRUE(Contains(stats.Out, "\"overlaps\":[[1,2]]}\n")) << stats.Out;
    EXPECT_TRUE(Contains(stats.Out, "{\"channel\":2,\"mode\":\"color-only\",\"margin\":{\"now\":"));

    const CtlResult text = Run({"stats", "--count", "3", "--period", "50", "--channel", "2"});
    EXPECT_TRUE(Contains(text.Out, "\nchannel 2 (color-only): margin now ")) << text.Out;
    EXPECT_FALSE(Contains(text.Out, "\nchannel 1 ")) << text.Out;
    EXPECT_TRUE(
        Contains(text.Out, "Channel 1 overlaps channel 2: a colour inside both matches both"));
    EXPECT_EQ(Run({"stats", "--channel", "5"}).Exit, 2);

    const CtlResult monitor = Run({"monitor", "--count", "2", "--period", "50", "--margins"});
    const std::regex margins(
        R"((\d\d/\d\d/\d{4} [^,]+(,[0-9.]+){3},[0-9A-F]{2}(,-?\d+\.\d){2}\n){2})");
    EXPECT_TRUE(std::regex_match(monitor.Out, margins)) << monitor.Out;
}

TEST_F(Spectrelctl, StatsOfASteadyTargetHaveNoCapability) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_EQ(Run({"set-channel", "1", "enabled=yes", "red=40", "green=30", "blue=20"}).Exit, 0);
    const CtlResult stats = Run({"--json", "stats", "--count", "3", "--period", "50"});
    EXPECT_TRUE(Contains(stats.Out, "\"sd\":0,")) << stats.Out;
    EXPECT_TRUE(Contains(stats.Out, "\"red\":{\"cp\":null,\"cpk\":null}")) << stats.Out;
    // The target sits a count or so off the centre of the box the percentages give.
    EXPECT_TRUE(Contains(stats.Out, "\"margin\":{\"now\":99.")) << stats.Out;
    EXPECT_TRUE(Contains(stats.Out, "\"overlaps\":[]}")) << stats.Out;
}
