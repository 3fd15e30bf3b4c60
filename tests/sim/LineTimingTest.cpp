#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "HostPort.h"
#include "link/LineFormat.h"
#include "sim/VirtualSensor.h"
#include "support/Deadline.h"

using namespace std::chrono;

namespace {

struct Latency {
    double SensorMs; // command written -> reply's CR written by the sensor
    double HostMs;   // command written -> reply line handed over by the host's port
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Max(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

Latency Measure(VirtualSensor& sensor, HostPort& host, const std::string& command) {
    const std::int64_t previousEnd = sensor.LastReplyEndNanoseconds();
    const auto sent = steady_clock::now();
    EXPECT_TRUE(host.Send(command));
    EXPECT_TRUE(host.NextLine());
    // The sensor notes the end of its reply once its write has returned, and the host may
    // already have read the line by then: wait for the note rather than take the old one.
    EXPECT_TRUE(WaitUntil([&] { return sensor.LastReplyEndNanoseconds() != previousEnd; },
                          milliseconds(1000)));
    const auto replyEnd = steady_clock::time_point(nanoseconds(sensor.LastReplyEndNanoseconds()));
    return {duration<double, std::milli>(replyEnd - sent).count(),
            duration<double, std::milli>(host.LastLineTime() - sent).count()};
}

} // namespace

// A command and its reply take their characters' time at 9600 baud 7E1 plus the turnaround.
// The sensor may never be early; how late it is depends on the machine, so the upper bounds
// are generous and the figures are printed.
TEST(LineTiming, RepliesEndAfterTheCommandsAndRepliesCharactersAndTheTurnaround) {
    SimConfig config;
    config.TurnaroundMs = 2;
    VirtualSensor sensor(config);
    ASSERT_TRUE(sensor.Start()) << sensor.Error();
    HostPort host;
    ASSERT_TRUE(host.Open(sensor.SlavePath()));

    // "!i" CR and its 21-character reply with CR; "!c,0" CR and its 40-character reply with CR.
    const double shortCharacters = 3 + 22, longCharacters = 5 + 41;
    std::vector<double> shortSensor, longSensor, shortHost, longHost;
    for (int i = 0; i < 9; ++i) {
        const Latency a = Measure(sensor, host, "!i");
        const Latency b = Measure(sensor, host, "!c,0");
        shortSensor.push_back(a.SensorMs);
        shortHost.push_back(a.HostMs);
        longSensor.push_back(b.SensorMs);
        longHost.push_back(b.HostMs);
    }
    const double perCharacter =
        (Median(longSensor) - Median(shortSensor)) / (longCharacters - shortCharacters);
    const double turnaround = Median(shortSensor) - shortCharacters * perCharacter;
    const double expectedShort =
        shortCharacters * LINE_CHARACTER_TIME.count() + config.TurnaroundMs;
    const double expectedLong = longCharacters * LINE_CHARACTER_TIME.count() + config.TurnaroundMs;
    std::printf("line timing: %.4f ms per character (line rate %.4f), turnaround %.3f ms\n",
                perCharacter, LINE_CHARACTER_TIME.count(), turnaround);
    std::printf("  !i   : CR after %.3f ms median, %.3f ms max (due %.3f); host has the line "
                "after %.3f ms\n",
                Median(shortSensor), Max(shortSensor), expectedShort, Median(shortHost));
    std::printf("  !c,0 : CR after %.3f ms median, %.3f ms max (due %.3f); host has the line "
                "after %.3f ms\n",
                Median(longSensor), Max(longSensor), expectedLong, Median(longHost));

    for (double latency : shortSensor) {
        EXPECT_GE(latency, expectedShort - 0.01) << "a reply may never beat the line";
    }
    for (double latency : longSensor) {
        EXPECT_GE(latency, expectedLong - 0.01);
    }
    EXPECT_LT(Median(shortSensor), expectedShort + 10.0);
    EXPECT_LT(Median(longSensor), expectedLong + 10.0);
    EXPECT_NEAR(LINE_CHARACTER_TIME.count(), perCharacter, 0.5);
}
