#include <chrono>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "sensor/Protocol.h"
#include "support/CommandLog.h"
#include "support/Deadline.h"
#include "support/SensorFixture.h"

using namespace std::chrono_literals;

namespace {

class SensorReplies : public SensorFixture {};

std::string ChannelReply(unsigned index, unsigned low, unsigned high) {
    return "!c," + FormatHex(index, 1) + ",1,1,0," + FormatHex(low, 4) + "," + FormatHex(high, 4) +
           "," + FormatHex(low, 4) + "," + FormatHex(high, 4) + "," + FormatHex(low, 4) + "," +
           FormatHex(high, 4);
}

std::string TeachReply(unsigned index, unsigned low, unsigned high) {
    return "!T," + FormatHex(index, 1) + "," + FormatHex(low, 4) + "," + FormatHex(high, 4) + "," +
           FormatHex(low, 4) + "," + FormatHex(high, 4) + "," + FormatHex(low, 4) + "," +
           FormatHex(high, 4);
}

} // namespace

// Replies are fed straight into the dispatcher while the virtual sensor stays silent, so the
// proxy sees exactly these lines.
TEST_F(SensorReplies, RepliesChangeOnlyWhatTheyAddressAndNameTheRequestedChannel) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    Sim().SetSilent(true);

    // Unasked-for identity and settings acknowledgement are dropped.
    EXPECT_FALSE(sensor.ProcessLine("!i,6,SIM0000000000001"));
    EXPECT_FALSE(sensor.ProcessLine("!S"));
    EXPECT_EQ(sensor.GetModelCode(), 0u);

    // A reply for channel 3 after a request for channel 5 lands in channel 3 but is announced
    // with 5, the channel the window asked about.
    ASSERT_TRUE(sensor.RequestChannel(5));
    ASSERT_EQ(ChannelReply(2, 0x7000, 0x9000).size(), 40u);
    EXPECT_TRUE(sensor.ProcessLine(ChannelReply(2, 0x7000, 0x9000)));
    const auto announced = Await(WM_SENSOR_CHANNEL, 0ms);
    ASSERT_TRUE(announced);
    EXPECT_EQ(announced->WParam, 5u);
    EXPECT_EQ(sensor.GetRedLow(3), 0x7000u);
    EXPECT_EQ(sensor.GetEnabled(3), 1u);
    EXPECT_EQ(sensor.GetRedLow(5), 0u);
    EXPECT_FALSE(sensor.IsBusy());

    // Index F addresses no channel: nothing changes, the request stays pending.
    ASSERT_TRUE(sensor.RequestChannel(6));
    const ChannelDefinition three = sensor.GetChannel(3);
    EXPECT_FALSE(sensor.ProcessLine(ChannelReply(15, 0x1000, 0x2000)));
    ASSERT_EQ(TeachReply(15, 0x1000, 0x2000).size(), 34u);
    EXPECT_FALSE(sensor.ProcessLine(TeachReply(15, 0x1000, 0x2000)));
    EXPECT_TRUE(sensor.IsBusy());
    EXPECT_EQ(sensor.GetChannel(3).RedLow, three.RedLow);
    for (unsigned channel = 1; channel <= 15; ++channel) {
        EXPECT_NE(sensor.GetRedLow(channel), 0x1000u) << "channel " << channel;
    }
    EXPECT_EQ(target.Posted(WM_SENSOR_CHANNEL), 1u);
    EXPECT_EQ(target.Posted(WM_SENSOR_TEACH), 0u);
}

TEST_F(SensorReplies, ErrorReplyResendsAndNotifiesUnlessAPollWasRejected) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    Sim().SetSilent(true);

    ASSERT_TRUE(sensor.RequestSettings());
    ASSERT_TRUE(WaitUntil([&] { return Sim().CommandsReceived() == 1; }));
    EXPECT_FALSE(sensor.ProcessLine("?"));
    EXPECT_TRUE(Await(WM_SENSOR_ERROR_REPLY, 0ms));
    EXPECT_TRUE(WaitUntil([&] { return Sim().CommandsReceived() == 2; }, 250ms));
    EXPECT_EQ(Sim().LastCommand(), "!s");
    sensor.ClearPending();

    ASSERT_TRUE(sensor.RequestCurrentData());
    ASSERT_TRUE(WaitUntil([&] { return Sim().CommandsReceived() == 3; }));
    EXPECT_FALSE(sensor.ProcessLine("?"));
    EXPECT_FALSE(WaitUntil([&] { return Sim().CommandsReceived() > 3; }, 200ms));
    EXPECT_EQ(target.Posted(WM_SENSOR_ERROR_REPLY), 1u);
}

// A stray "?" once the teach has been answered must not teach again.
TEST_F(SensorReplies, AStrayErrorReplyResendsNothingOnceTheRequestIsAnswered) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_TRUE(sensor.TeachChannel(1, 1, 1, 0, 5.0, 5.0, 5.0));
    ASSERT_TRUE(Await(WM_SENSOR_TEACH, 3s));
    const auto received = Sim().CommandsReceived();
    EXPECT_FALSE(sensor.ProcessLine("?"));
    EXPECT_FALSE(WaitUntil([&] { return Sim().CommandsReceived() > received; }, 200ms))
        << "re-sent " << Sim().LastCommand();
}

// Error replies use up the same retries as the reply timer; a sensor that rejects everything
// must end in a time-out, not in re-sends without end.
TEST_F(SensorReplies, SensorRejectingEverythingEndsInReplyTimeout) {
    SimConfig config;
    config.Faults.ErrorReplyProbability = 1.0;
    ASSERT_NO_FATAL_FAILURE(Connect(config));
    CommandLog log(Sim());
    const auto start = Clock::now();
    ASSERT_TRUE(sensor.RequestSettings());
    ASSERT_TRUE(log.WatchUntil(
        [&] { return target.Posted(WM_SENSOR_TIMEOUT, SENSOR_TIMEOUT_REPLY) > 0; }, 5s));
    const double timedOutMs = Ms(Clock::now() - start);
    // The last retry is written before the time-out is reported, but the virtual sensor reads
    // it, and answers the earlier ones, on its own thread: wait for that, with a deadline.
    EXPECT_TRUE(log.WatchUntil(
        [&] { return log.Count() >= 17 && target.Posted(WM_SENSOR_ERROR_REPLY) >= 16; }, 2s));
    std::printf("rejected settings request: %zu writes, %zu error notifications, time-out "
                "after %.1f ms\n",
                log.Count(), target.Posted(WM_SENSOR_ERROR_REPLY), timedOutMs);
    // The first write and the 16 retries; a tick and an error reply never both take the last.
    EXPECT_EQ(log.Count(), 17u);
    EXPECT_GE(target.Posted(WM_SENSOR_ERROR_REPLY), 16u);
    EXPECT_FALSE(log.WatchUntil([&] { return log.Count() > 17; }, 500ms));
}
