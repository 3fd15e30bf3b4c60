#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>

#include <gtest/gtest.h>

#include "sensor/Protocol.h"
#include "support/CommandLog.h"
#include "support/Deadline.h"
#include "support/SensorFixture.h"

using namespace std::chrono_literals;

namespace {

class SensorRequests : public SensorFixture {
protected:
    explicit SensorRequests(bool virtualTime = false) : SensorFixture(virtualTime) {}

    // Watches an unanswered request until the reply timer gives up, then checks how often and
    // how far apart it was written.
    void ExpectRetriesThenTimeout(CommandLog& log, std::size_t writes, double periodMs) {
        const double expectedMs = periodMs * static_cast<double>(writes);
        const auto limit = std::chrono::milliseconds(static_cast<int>(expectedMs) + 4000);
        ASSERT_TRUE(log.WatchUntil(
            [&] { return target.Posted(WM_SENSOR_TIMEOUT, SENSOR_TIMEOUT_REPLY) > 0; }, limit));
        const auto gaps = log.GapsMs();
        ASSERT_FALSE(gaps.empty());
        const double mean =
            std::accumulate(gaps.begin(), gaps.end(), 0.0) / static_cast<double>(gaps.size());
        const auto [shortest, longest] = std::minmax_element(gaps.begin(), gaps.end());
        const auto timeout = target.PopMessage(WM_SENSOR_TIMEOUT, 0ms);
        ASSERT_TRUE(timeout);
        std::printf("%zu writes, gaps mean %.1f ms (%.1f .. %.1f), time-out %.1f ms after the "
                    "first write\n",
                    log.Count(), mean, *shortest, *longest,
                    Ms(timeout->Time - log.Arrivals().front()));
        EXPECT_EQ(log.Count(), writes);
        EXPECT_NEAR(mean, periodMs, periodMs * 0.15);
        // Single gaps are only printed: on a loaded machine the sensor's thread may take two
        // commands in one go, which says nothing about when the proxy wrote them.
        EXPECT_NEAR(Ms(timeout->Time - log.Arrivals().front()), expectedMs,
                    std::max(periodMs * 0.5, 500.0));
    }
};

// Requests left unanswered, watched on a clock the test moves on.
class SensorRetries : public SensorRequests {
protected:
    SensorRetries() : SensorRequests(true) {}
};

// Sends answered at once, on a clock the test moves on.
class SensorSends : public SensorRequests {
protected:
    SensorSends() : SensorRequests(true) {}
};

} // namespace

TEST_F(SensorRetries, UnansweredSettingsRequestIsWritten17TimesThenTimesOut) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    Sim().SetSilent(true);
    CommandLog log = Log();
    ASSERT_TRUE(sensor.RequestSettings());
    ASSERT_NO_FATAL_FAILURE(ExpectRetriesThenTimeout(log, 17, 300.0));
    EXPECT_EQ(Sim().LastCommand(), "!s");

    // The timer has given up; the request stays pending until it is cleared.
    EXPECT_FALSE(log.WatchUntil([&] { return log.Count() > 17; }, 700ms));
    EXPECT_TRUE(sensor.IsBusy());
    sensor.ClearPending();
    EXPECT_FALSE(sensor.IsBusy());
}

TEST_F(SensorRetries, UnansweredTeachIsWrittenFourTimes2800MsApart) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    Sim().SetSilent(true);
    CommandLog log = Log();
    ASSERT_TRUE(sensor.TeachChannel(2, 0, 1, 1, 10.0, 10.0, 12.5));
    ASSERT_NO_FATAL_FAILURE(ExpectRetriesThenTimeout(log, 4, 2800.0));
}

TEST_F(SensorRequests, RequestWhileAnotherIsPendingIsRefusedAfterTheIdleWait) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    Sim().SetSilent(true);
    ASSERT_TRUE(sensor.RequestSettings());
    ASSERT_TRUE(WaitUntil([&] { return Sim().LastCommand() == "!s"; }));

    const auto before = Clock::now();
    EXPECT_FALSE(sensor.RequestVersion());
    const double waited = Ms(Clock::now() - before);
    std::printf("request refused after %.1f ms\n", waited);
    EXPECT_GE(waited, 290.0);
    EXPECT_LT(waited, 1000.0);
    EXPECT_FALSE(WaitUntil([&] { return Sim().LastCommand() == "!v"; }, 100ms));

    // A sensor that answers again frees the proxy for the next request.
    Sim().SetSilent(false);
    ASSERT_TRUE(Await(WM_SENSOR_SETTINGS, 3s));
    EXPECT_TRUE(sensor.RequestVersion());
    EXPECT_TRUE(Await(WM_SENSOR_VERSION, 3s));
}

TEST_F(SensorSends, OnlyChangedFieldsAreWrittenAndUnchangedSendsStillNotify) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_TRUE(sensor.RequestSettings());
    ASSERT_TRUE(Await(WM_SENSOR_SETTINGS, 3s));
    const unsigned averaging = sensor.GetAveraging();
    const unsigned triggering = sensor.GetTriggering();
    const unsigned delay = sensor.GetOutputDelay();
    const unsigned ambient = sensor.GetAmbientSubtraction();
    const unsigned illumination = sensor.GetIllumination() == 50 ? 60 : 50;

    CommandLog log = Log();
    ASSERT_TRUE(
        sensor.SendSettings(averaging, triggering, delay, ambient, sensor.GetIllumination()));
    EXPECT_TRUE(Await(WM_SENSOR_SETTINGS_SENT, 0ms)) << "posted at once";

    ASSERT_TRUE(sensor.SendSettings(averaging, triggering, delay, ambient, illumination));
    ASSERT_TRUE(Await(WM_SENSOR_SETTINGS_SENT, 3s));
    EXPECT_EQ(Sim().LastCommand(), "!S,,,,," + FormatHex(illumination, 2));
    EXPECT_EQ(Sim().Settings().Illumination, illumination);
    log.WatchUntil([] { return true; }, 0ms);
    EXPECT_EQ(log.Count(), 1u) << "the unchanged send wrote nothing";

    ASSERT_TRUE(sensor.RequestChannel(4));
    ASSERT_TRUE(Await(WM_SENSOR_CHANNEL, 3s));
    ASSERT_TRUE(
        sensor.SendChannel(4, OUTPUT_HIGH, 1, MODE_COLOR_ONLY, 50.0, 40.0, 30.0, 10.0, 10.0, 10.0));
    const auto sent = Await(WM_SENSOR_CHANNEL_SENT, 3s);
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->WParam, 4u);
    EXPECT_EQ(Sim().Channel(4).RedLow, 29462u);
    EXPECT_EQ(Sim().Channel(4).RedHigh, 36010u);
    EXPECT_EQ(Sim().Channel(4).Enabled, 1u);

    const auto written = Sim().CommandsReceived();
    ASSERT_TRUE(
        sensor.SendChannel(4, OUTPUT_HIGH, 1, MODE_COLOR_ONLY, 50.0, 40.0, 30.0, 10.0, 10.0, 10.0));
    const auto again = Await(WM_SENSOR_CHANNEL_SENT, 0ms);
    ASSERT_TRUE(again) << "posted at once";
    EXPECT_EQ(again->WParam, 4u);
    EXPECT_FALSE(WaitUntil([&] { return Sim().CommandsReceived() > written; }, 100ms));
    EXPECT_FALSE(sensor.IsBusy());
}

// A send whose write fails must leave the cache as the sensor has it: otherwise the same send
// repeated later would find nothing changed, write nothing and report success.
TEST_F(SensorRequests, FailedWriteLeavesTheCacheAsTheSensorHasIt) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_TRUE(sensor.RequestSettings());
    ASSERT_TRUE(Await(WM_SENSOR_SETTINGS, 3s));
    for (unsigned channel : {2u, 3u}) {
        ASSERT_TRUE(sensor.RequestChannel(channel));
        ASSERT_TRUE(Await(WM_SENSOR_CHANNEL, 3s));
    }
    SensorSettings wanted = Sim().Settings();
    wanted.Averaging = (wanted.Averaging + 1) % 7;
    wanted.Illumination = (wanted.Illumination + 10) % 101;
    const auto sendSettings = [&] {
        return sensor.SendSettings(wanted.Averaging, wanted.Triggering, wanted.OutputDelay,
                                   wanted.AmbientSubtraction, wanted.Illumination);
    };
    // The teach (channel 2) changes the output flag, the channel send (channel 3) the enabled
    // flag and the bounds; separate channels keep one retry from covering for the other.
    const unsigned matchOutput = 1 - sensor.GetMatchOutput(2);
    const auto teach = [&, enabled = sensor.GetEnabled(2), mode = sensor.GetMode(2)] {
        return sensor.TeachChannel(2, matchOutput, enabled, mode, 5.0, 5.0, 5.0);
    };
    const unsigned enabled = 1 - sensor.GetEnabled(3);
    const auto sendChannel = [&, output = sensor.GetMatchOutput(3), mode = sensor.GetMode(3)] {
        return sensor.SendChannel(3, output, enabled, mode, 60.0, 50.0, 40.0, 5.0, 5.0, 5.0);
    };

    const double taughtTolerance = sensor.GetRedTolerance(2);
    const double sentTolerance = sensor.GetRedTolerance(3);
    Sim().HangUp(0);
    ASSERT_TRUE(WaitUntil([&] { return !sensor.IsLinkUp(); }));
    EXPECT_FALSE(sendSettings());
    EXPECT_FALSE(teach());
    EXPECT_FALSE(sendChannel());
    EXPECT_FALSE(sensor.IsBusy());
    // The tolerances too: the panel compares its own with these to offer a send again.
    EXPECT_EQ(sensor.GetRedTolerance(2), taughtTolerance);
    EXPECT_EQ(sensor.GetRedTolerance(3), sentTolerance);

    Sim().Replug();
    ASSERT_TRUE(WaitUntil([&] { return sensor.IsLinkUp(); }));
    ASSERT_TRUE(sendSettings());
    ASSERT_TRUE(Await(WM_SENSOR_SETTINGS_SENT, 3s));
    EXPECT_EQ(Sim().Settings(), wanted);

    ASSERT_TRUE(teach());
    ASSERT_TRUE(Await(WM_SENSOR_TEACH, 3s));
    EXPECT_EQ(Sim().Channel(2).MatchOutput, matchOutput);

    ASSERT_TRUE(sendChannel());
    ASSERT_TRUE(Await(WM_SENSOR_CHANNEL_SENT, 3s));
    const ComponentBounds red = PercentToBounds(60.0, 5.0);
    EXPECT_EQ(Sim().Channel(3).RedLow, red.Low);
    EXPECT_EQ(Sim().Channel(3).RedHigh, red.High);
    EXPECT_EQ(Sim().Channel(3).Enabled, enabled);
}
