#include <chrono>
#include <cstdio>

#include <gtest/gtest.h>

#include "support/CommandLog.h"
#include "support/Deadline.h"
#include "support/SensorFixture.h"

using namespace std::chrono_literals;

namespace {

class SensorPolling : public SensorFixture {
protected:
    SensorPolling() : SensorFixture(true) {}
};

} // namespace

TEST_F(SensorPolling, AnsweringSensorIsIdentifiedReadAndPolled) {
    SimConfig config;
    config.ModelCode = 9;
    config.SerialNumber = "AB12CD34EF56GH78";
    config.FirmwareMajor = 2;
    config.FirmwareMinor = 3;
    ASSERT_NO_FATAL_FAILURE(Connect(config));

    ASSERT_TRUE(sensor.StartIdentifyPolling(500));
    ASSERT_TRUE(Await(WM_SENSOR_IDENTITY, 3s));
    EXPECT_TRUE(sensor.StopIdentifyPolling());
    EXPECT_EQ(sensor.GetModelCode(), 9u);
    EXPECT_EQ(sensor.GetSerialNumber(), "AB12CD34EF56GH78");

    ASSERT_TRUE(sensor.RequestVersion());
    ASSERT_TRUE(Await(WM_SENSOR_VERSION, 3s));
    EXPECT_EQ(sensor.GetFirmwareMajor(), 2u);
    EXPECT_EQ(sensor.GetFirmwareMinor(), 3u);

    ASSERT_TRUE(sensor.RequestSettings());
    ASSERT_TRUE(Await(WM_SENSOR_SETTINGS, 3s));
    const SensorSettings held = Sim().Settings();
    EXPECT_EQ(sensor.GetAveraging(), held.Averaging);
    EXPECT_EQ(sensor.GetTriggering(), held.Triggering);
    EXPECT_EQ(sensor.GetOutputDelay(), held.OutputDelay);
    EXPECT_EQ(sensor.GetAmbientSubtraction(), held.AmbientSubtraction);
    EXPECT_EQ(sensor.GetIllumination(), held.Illumination);

    ASSERT_TRUE(sensor.RequestChannel(15));
    const auto channel = Await(WM_SENSOR_CHANNEL, 3s);
    ASSERT_TRUE(channel);
    EXPECT_EQ(channel->WParam, 15u);
    const ChannelDefinition sim = Sim().Channel(15);
    const ChannelDefinition read = sensor.GetChannel(15);
    EXPECT_EQ(read.Enabled, sim.Enabled);
    EXPECT_EQ(read.RedLow, sim.RedLow);
    EXPECT_EQ(read.BlueHigh, sim.BlueHigh);
    EXPECT_FALSE(sensor.IsBusy());

    ASSERT_TRUE(sensor.StartDataPolling(100));
    ASSERT_TRUE(Await(WM_SENSOR_DATA, 3s));
    ASSERT_TRUE(Await(WM_SENSOR_DATA, 3s)); // and again on the next tick
    EXPECT_NEAR(sensor.GetRed(), 40.0, 0.1);
    EXPECT_NEAR(sensor.GetGreen(), 30.0, 0.1);
    EXPECT_NEAR(sensor.GetBlue(), 20.0, 0.1);
    EXPECT_TRUE(sensor.StopDataPolling());
    EXPECT_EQ(target.Posted(WM_SENSOR_TIMEOUT), 0u);
}

// The count is compared before it grows, so the time-out comes on the tick that finds exactly
// 21 misses: the 22nd tick, when 22 requests have been written. Ticks never come early, so the
// time tells the tick; the sensor may lag behind the writes by a command or two when the
// machine is loaded, never run ahead of them.
TEST_F(SensorPolling, SilentLineGivesOneIdentifyTimeoutPerRunOfSilence) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    Sim().SetSilent(true);
    const auto start = clock.Now();
    ASSERT_TRUE(sensor.StartIdentifyPolling(50));

    const auto first = AwaitTimeout(SENSOR_TIMEOUT_IDENTIFY, 10s);
    ASSERT_TRUE(first);
    const auto written = target.ProbesOf(WM_SENSOR_TIMEOUT, SENSOR_TIMEOUT_IDENTIFY);
    std::printf("identify time-out at 50 ms after %.1f ms, %llu requests written\n",
                Ms(first->Time - start), static_cast<unsigned long long>(written.at(0)));
    EXPECT_GE(Ms(first->Time - start), 22 * 50.0);
    EXPECT_LE(written.at(0), 22u);
    EXPECT_GE(written.at(0), 20u);

    // Twenty more silent ticks, no second time-out.
    EXPECT_FALSE(AwaitTimeout(SENSOR_TIMEOUT_IDENTIFY, 1000ms));

    // One answer ends the run; the next run of silence is reported again.
    Sim().SetSilent(false);
    ASSERT_TRUE(Await(WM_SENSOR_IDENTITY, 3s));
    Sim().SetSilent(true);
    ASSERT_TRUE(AwaitTimeout(SENSOR_TIMEOUT_IDENTIFY, 10s));
    EXPECT_EQ(target.Posted(WM_SENSOR_TIMEOUT), 2u);
}

TEST_F(SensorPolling, SilentSensorTimesOutAfterTheMissBudgetOfDataPolling) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    Sim().SetSilent(true);
    const auto start = clock.Now();
    ASSERT_TRUE(sensor.StartDataPolling(100));

    // 5500 / 100 = 55 misses, found by the 56th tick (read as in the identify test).
    const auto timeout = AwaitTimeout(SENSOR_TIMEOUT_DATA, 12s);
    ASSERT_TRUE(timeout);
    const auto written = target.ProbesOf(WM_SENSOR_TIMEOUT, SENSOR_TIMEOUT_DATA);
    std::printf("data time-out at 100 ms after %.1f ms, %llu requests written\n",
                Ms(timeout->Time - start), static_cast<unsigned long long>(written.at(0)));
    EXPECT_GE(Ms(timeout->Time - start), 56 * 100.0);
    EXPECT_LE(written.at(0), 56u);
    EXPECT_GE(written.at(0), 54u);
    EXPECT_FALSE(AwaitTimeout(SENSOR_TIMEOUT_DATA, 500ms));
    EXPECT_EQ(target.Posted(WM_SENSOR_TIMEOUT), 1u);
}

// Above 5500 ms the budget divided by the period is 0, which an answered poll would meet.
TEST_F(SensorPolling, LongDataPeriodNeedsAMissBeforeATimeout) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_TRUE(sensor.StartDataPolling(5600));
    ASSERT_TRUE(Await(WM_SENSOR_DATA, 3s));
    ASSERT_TRUE(Await(WM_SENSOR_DATA, 9s)); // the first tick's request was answered too
    EXPECT_EQ(target.Posted(WM_SENSOR_TIMEOUT), 0u);
}

TEST_F(SensorPolling, PollingStartsOnceAndStopsCompletely) {
    SimConfig config;
    config.Pacing = false;
    ASSERT_NO_FATAL_FAILURE(Connect(config));

    ASSERT_TRUE(sensor.StartIdentifyPolling(50));
    EXPECT_FALSE(sensor.StartIdentifyPolling(50));
    EXPECT_TRUE(sensor.IsIdentifyPolling());
    ASSERT_TRUE(Await(WM_SENSOR_IDENTITY, 3s));
    EXPECT_TRUE(sensor.StopIdentifyPolling());
    EXPECT_FALSE(sensor.StopIdentifyPolling());
    EXPECT_FALSE(sensor.IsIdentifyPolling());

    // A second start of data polling replaces the first timer rather than orphaning it.
    ASSERT_TRUE(sensor.StartDataPolling(50));
    ASSERT_TRUE(sensor.StartDataPolling(50));
    EXPECT_TRUE(sensor.IsDataPolling());
    ASSERT_TRUE(Await(WM_SENSOR_DATA, 3s));
    EXPECT_TRUE(sensor.StopDataPolling());
    EXPECT_FALSE(sensor.IsDataPolling());
    EXPECT_FALSE(sensor.StartDataPolling(0));

    // After the stops, at most a command already on its way arrives; no timer writes on.
    CommandLog log = Log();
    log.WatchUntil([] { return false; }, 400ms);
    std::printf("commands after both polls stopped: %zu\n", log.Count());
    EXPECT_LE(log.Count(), 1u);
}

// Polls asked for between ticks (each time data polling is taken up again after a read) count
// as missed too, and may carry the count past the time-out's limit between two ticks: the
// time-out still comes, once.
TEST_F(SensorPolling, PollsBetweenTicksCannotSkipTheTimeOut) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_TRUE(sensor.StartDataPolling(100));
    ASSERT_TRUE(Await(WM_SENSOR_DATA, 3s));
    Sim().HangUp(0);
    ASSERT_TRUE(WaitUntil([&] { return !sensor.IsLinkUp(); }));
    const unsigned limit = CSensor::DATA_MISSED_BUDGET_MS / 100;
    for (unsigned restart = 0; restart <= limit + 5; ++restart) {
        ASSERT_TRUE(sensor.StartDataPolling(100));
    }
    EXPECT_TRUE(AwaitTimeout(SENSOR_TIMEOUT_DATA, 2s));
    EXPECT_FALSE(AwaitTimeout(SENSOR_TIMEOUT_DATA, 1s));
}
