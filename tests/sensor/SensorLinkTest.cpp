#include <chrono>
#include <cstdio>

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>

#include "common/FileDescriptor.h"
#include "link/LineFormat.h"
#include "support/Deadline.h"
#include "support/PtyPair.h"
#include "support/SensorFixture.h"
#include "support/ThreadState.h"

using namespace std::chrono_literals;

namespace {

class SensorLink : public SensorFixture {};

// Outages on a clock the test moves on; the line notices them in real time.
class SensorLinkInVirtualTime : public SensorFixture {
protected:
    SensorLinkInVirtualTime() : SensorFixture(true) {}
};

} // namespace

TEST_F(SensorLink, DisconnectWhileTheReadWaitsReturnsAtOnce) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    EXPECT_FALSE(sensor.Connect(Path())) << "already connected";
    ASSERT_TRUE(sensor.RequestIdentity());
    ASSERT_TRUE(Await(WM_SENSOR_IDENTITY, 3s)); // the receive thread is now back in its read

    const auto before = Clock::now();
    EXPECT_TRUE(sensor.Disconnect());
    const double took = Ms(Clock::now() - before);
    std::printf("Disconnect with the receive thread in its read: %.3f ms\n", took);
    EXPECT_LT(took, 100.0);
    EXPECT_FALSE(sensor.IsLinkUp());
    EXPECT_EQ(target.Posted(WM_SENSOR_READ_ERROR), 0u);

    const auto refused = Clock::now();
    EXPECT_FALSE(sensor.RequestSettings());
    EXPECT_LT(Ms(Clock::now() - refused), 50.0) << "no idle wait on a closed link";

    ASSERT_TRUE(sensor.Connect(Path()));
    ASSERT_TRUE(sensor.RequestIdentity());
    EXPECT_TRUE(Await(WM_SENSOR_IDENTITY, 3s));
}

// The device disappears (a pulled adapter) and comes back under the same name: the loss is
// reported by the usual time-out, the target is not flooded with read errors, and identify
// polling finds the sensor again without a reconnect.
TEST_F(SensorLink, HungUpDeviceIsReopenedWhenItReappears) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_TRUE(sensor.StartIdentifyPolling(50));
    ASSERT_TRUE(Await(WM_SENSOR_IDENTITY, 3s));

    constexpr auto outage = 2500ms;
    const auto pulled = Clock::now();
    Sim().HangUp(static_cast<unsigned>(outage.count()));
    ASSERT_TRUE(AwaitTimeout(SENSOR_TIMEOUT_IDENTIFY, 5s));
    target.Clear();
    const auto back = target.PopMessage(WM_SENSOR_IDENTITY, 8s);
    ASSERT_TRUE(back);
    const std::size_t readErrors = target.Posted(WM_SENSOR_READ_ERROR);
    std::printf("outage %lld ms: %zu read errors, identity again %.1f ms after the device "
                "reappeared\n",
                static_cast<long long>(outage.count()), readErrors,
                Ms(back->Time - (pulled + outage)));
    EXPECT_LE(readErrors, CSensor::HANG_UP_FAILED_READS + 1);
    EXPECT_LT(Ms(back->Time - (pulled + outage)), 2000.0);
    EXPECT_TRUE(sensor.IsLinkUp());

    // Gone for good: Disconnect also ends the thread while it waits to re-open.
    Sim().HangUp(0);
    ASSERT_TRUE(WaitUntil([&] { return !sensor.IsLinkUp(); }));
    EXPECT_TRUE(sensor.StopIdentifyPolling());
    const auto before = Clock::now();
    EXPECT_TRUE(sensor.Disconnect());
    std::printf("Disconnect while waiting to re-open: %.3f ms\n", Ms(Clock::now() - before));
    EXPECT_LT(Ms(Clock::now() - before), 100.0);
}

// Unplugged and plugged in again faster than data polling would time out: the device may now
// hold another sensor, so the re-open is reported as the loss, once, and only after it.
TEST_F(SensorLink, AQuickReplugIsReportedToDataPollingAsALoss) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_TRUE(sensor.StartDataPolling(50));
    ASSERT_TRUE(Await(WM_SENSOR_DATA, 3s));

    constexpr auto outage = 800ms;
    const auto pulled = Clock::now();
    Sim().HangUp(static_cast<unsigned>(outage.count()));
    const auto lost = AwaitTimeout(SENSOR_TIMEOUT_DATA, 4s);
    ASSERT_TRUE(lost) << "a re-open within the poll time-out went unreported";
    EXPECT_GE(lost->Time, pulled + outage);
    EXPECT_TRUE(sensor.IsLinkUp());
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(target.Posted(WM_SENSOR_TIMEOUT), 1u);
}

// A request waiting for its answer when the device is re-opened was meant for the sensor that
// was there before: it is given up then, not re-sent to whichever sensor is there now.
TEST_F(SensorLink, AQuickReplugGivesUpTheRequestThatWaitedForItsAnswer) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    Sim().SetSilent(true);
    ASSERT_TRUE(sensor.RequestSettings());
    constexpr auto outage = 800ms;
    const auto pulled = Clock::now();
    Sim().HangUp(static_cast<unsigned>(outage.count()));
    const auto lost = AwaitTimeout(SENSOR_TIMEOUT_REPLY, 4s);
    ASSERT_TRUE(lost);
    std::printf("request given up %.1f ms after the device reappeared\n",
                Ms(lost->Time - (pulled + outage)));
    EXPECT_LT(lost->Time, pulled + outage + 1500ms) << "not left to its re-sends' time-out";
    EXPECT_TRUE(sensor.IsLinkUp());
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(target.Posted(WM_SENSOR_TIMEOUT), 1u);
}

// The far end stops reading and a write waits, holding the port lock: Disconnect wakes it
// instead of waiting out its deadline.
TEST(SensorStalledLine, DisconnectDoesNotWaitForABlockedWrite) {
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    const FileDescriptor filler(::open(pty.SlavePath().c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK));
    ASSERT_TRUE(filler);
    CSensor sensor;
    ASSERT_TRUE(sensor.Connect(pty.SlavePath()));
    PtyPair::FillSlaveOutput(filler.Get());
    std::atomic<pid_t> writerId{0};
    std::thread writer([&] {
        writerId = gettid();
        sensor.RequestSettings();
    });
    const bool waiting = WaitUntil([&] { return writerId != 0 && IsThreadSleeping(writerId); });
    std::this_thread::sleep_for(50ms); // well into the write's wait
    const auto before = std::chrono::steady_clock::now();
    sensor.Disconnect();
    const double took =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before)
            .count();
    writer.join();
    ASSERT_TRUE(waiting);
    std::printf("Disconnect with a write blocked on a stalled line: %.3f ms\n", took);
    EXPECT_LT(took, static_cast<double>(LINE_WRITE_MARGIN.count()) / 2);
}

TEST_F(SensorLinkInVirtualTime, UnplugDuringReadAllEndsInTimeoutAndRecovers) {
    SimConfig config;
    config.ModelCode = 9;
    ASSERT_NO_FATAL_FAILURE(Connect(config));
    for (unsigned channel = 1; channel <= 5; ++channel) {
        ASSERT_TRUE(sensor.RequestChannel(channel));
        const auto reply = Await(WM_SENSOR_CHANNEL, 3s);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->WParam, channel);
    }
    // Pulled while the request for channel 6 is on its way: its re-sends cannot be written.
    Sim().SetSilent(true);
    const auto heard = Sim().CommandsReceived();
    ASSERT_TRUE(sensor.RequestChannel(6));
    ASSERT_TRUE(WaitUntil([&] { return Sim().CommandsReceived() > heard; }));
    const auto pulled = clock.Now();
    Sim().HangUp(0);
    ASSERT_TRUE(WaitUntil([&] { return !sensor.IsLinkUp(); }));
    const auto timeout = AwaitTimeout(SENSOR_TIMEOUT_REPLY, 10s);
    ASSERT_TRUE(timeout);
    std::printf("reply time-out %.1f ms after the unplug, %zu read errors\n",
                Ms(timeout->Time - pulled), target.Posted(WM_SENSOR_READ_ERROR));
    EXPECT_LE(target.Posted(WM_SENSOR_READ_ERROR), CSensor::HANG_UP_FAILED_READS + 1);

    // The window forgets the request, as after any time-out; nothing can be sent meanwhile.
    sensor.ClearPending();
    EXPECT_FALSE(sensor.RequestChannel(6));

    Sim().SetSilent(false);
    Sim().Replug();
    ASSERT_TRUE(WaitUntil([&] { return sensor.IsLinkUp(); }));
    ASSERT_TRUE(sensor.RequestChannel(6));
    const auto reply = Await(WM_SENSOR_CHANNEL, 3s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->WParam, 6u);
}

// After SetWindow returns, the previous target gets nothing more, so it may be destroyed; with
// no target set nothing is posted at all.
TEST_F(SensorLink, SetWindowHandsOverWhileNotificationsFlow) {
    SimConfig config;
    config.Pacing = false;
    ASSERT_NO_FATAL_FAILURE(Connect(config));
    RecordingTarget other;
    struct TakeBack { // `other` must not stay the target once it is gone
        CSensor& sensor;
        RecordingTarget& target;
        ~TakeBack() { sensor.SetWindow(&target); }
    } takeBack{sensor, target};
    ASSERT_TRUE(sensor.StartDataPolling(20));
    for (int round = 0; round < 10; ++round) {
        RecordingTarget& from = round % 2 == 0 ? target : other;
        RecordingTarget& to = round % 2 == 0 ? other : target;
        ASSERT_TRUE(WaitUntil([&] { return from.Posted(WM_SENSOR_DATA) > 0; }));
        sensor.SetWindow(&to);
        const std::size_t handedOver = from.Size();
        ASSERT_TRUE(WaitUntil([&] { return to.Size() > 0; }));
        EXPECT_EQ(from.Size(), handedOver) << "round " << round;
        from.Clear();
        to.Clear();
    }
    sensor.SetWindow(nullptr);
    const std::size_t first = target.Size();
    const std::size_t second = other.Size();
    const auto polled = Sim().CommandsReceived();
    ASSERT_TRUE(WaitUntil([&] { return Sim().CommandsReceived() > polled + 3; }));
    EXPECT_EQ(target.Size(), first);
    EXPECT_EQ(other.Size(), second);
    sensor.StopDataPolling();
}
