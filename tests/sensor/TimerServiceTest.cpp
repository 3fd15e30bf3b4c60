#include "sensor/TimerService.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/Deadline.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Tick times of one timer, collected from the service thread.
class TickLog {
public:
    void Add() {
        std::lock_guard lock(m_mutex);
        m_times.push_back(Clock::now());
    }
    std::vector<Clock::time_point> Times() const {
        std::lock_guard lock(m_mutex);
        return m_times;
    }
    std::size_t Size() const {
        std::lock_guard lock(m_mutex);
        return m_times.size();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Clock::time_point> m_times;
};

} // namespace

TEST(TimerService, TicksFollowAbsoluteDeadlinesWithoutDrift) {
    constexpr int ticks = 50;
    constexpr auto period = 20ms;
    CTimerService service;
    TickLog log;
    const auto start = Clock::now();
    const auto id = service.Start(20, [&] { log.Add(); });
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(WaitUntil([&] { return log.Size() >= ticks; }, 10s));
    service.Kill(id);

    const auto times = log.Times();
    double worstLateness = 0.0;
    for (int i = 0; i < ticks; ++i) {
        const double lateness = Milliseconds(times[i] - (start + (i + 1) * period));
        worstLateness = std::max(worstLateness, lateness);
        EXPECT_GE(lateness, -1.0) << "tick " << i << " came early";
    }
    // With deadlines taken from the previous callback, the lateness would add up tick by tick;
    // against absolute deadlines the last tick is only as late as any single one.
    const double lastLateness = Milliseconds(times[ticks - 1] - (start + ticks * period));
    const double meanPeriod = Milliseconds(times[ticks - 1] - times[0]) / (ticks - 1);
    std::printf("timer 20 ms x %d: mean period %.3f ms, last tick late by %.3f ms, worst %.3f ms\n",
                ticks, meanPeriod, lastLateness, worstLateness);
    EXPECT_LT(lastLateness, 40.0);
    EXPECT_NEAR(meanPeriod, 20.0, 1.0);
}

TEST(TimerService, LateTickSkipsMissedDeadlinesInsteadOfBursting) {
    CTimerService service;
    TickLog log;
    std::atomic<bool> stalled{false};
    const auto id = service.Start(20, [&] {
        log.Add();
        if (!stalled.exchange(true)) {
            std::this_thread::sleep_for(110ms); // a callback that overran five periods
        }
    });
    ASSERT_TRUE(WaitUntil([&] { return log.Size() >= 6; }, 5s));
    service.Kill(id);

    // Made-up ticks would come back to back right after the stall; skipped ones leave the
    // following ticks one period apart.
    const auto times = log.Times();
    const double stall = Milliseconds(times[1] - times[0]);
    const double fourAfter = Milliseconds(times[5] - times[1]);
    std::printf("20 ms timer stalled for %.3f ms; the next four ticks took %.3f ms\n", stall,
                fourAfter);
    EXPECT_GE(stall, 110.0);
    EXPECT_GE(fourAfter, 40.0);
}

TEST(TimerService, TimersAreIndependentAndIdsAreNeverReused) {
    CTimerService service;
    EXPECT_EQ(service.Start(0, [] {}), 0u);
    EXPECT_EQ(service.Start(10, nullptr), 0u);

    std::atomic<int> fast{0};
    std::atomic<int> slow{0};
    const auto fastId = service.Start(10, [&] { ++fast; });
    const auto slowId = service.Start(40, [&] { ++slow; });
    EXPECT_NE(fastId, slowId);
    ASSERT_TRUE(WaitUntil([&] { return slow >= 3; }, 5s));
    EXPECT_GT(fast.load(), slow.load());

    EXPECT_TRUE(service.Kill(fastId));
    EXPECT_FALSE(service.Kill(fastId));
    const auto again = service.Start(10, [] {});
    EXPECT_NE(again, fastId);
    EXPECT_NE(again, slowId);
    EXPECT_TRUE(service.Kill(slowId));
    EXPECT_TRUE(service.Kill(again));

    // The service waits for the only deadline left; killing that timer frees its entry under
    // the wait (the sanitizer builds catch a wait that still refers to it).
    const auto distant = service.Start(1000, [] {});
    std::this_thread::sleep_for(10ms); // time for the service to settle into that wait
    EXPECT_TRUE(service.Kill(distant));
    const auto next = service.Start(5, [&] { ++fast; });
    const int before = fast;
    EXPECT_TRUE(WaitUntil([&] { return fast > before; }, 2s)) << "the service still runs";
    service.Kill(next);
}

// 0 is what a failed Start returns; killing it must not wait for some callback to run.
TEST(TimerService, KillingTheIdOfAFailedStartReturnsAtOnce) {
    CTimerService service;
    std::atomic<bool> returned{false};
    std::thread killer([&] {
        EXPECT_FALSE(service.Kill(0));
        returned = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return returned.load(); }, 2s));
    // A Kill that hangs waits for any callback at all: one ends it, so the test can end.
    const auto rescue = service.Start(1, [] {});
    killer.join();
    service.Kill(rescue);
}

TEST(TimerService, CallbackMayKillItsOwnTimer) {
    CTimerService service;
    std::atomic<int> ticks{0};
    std::atomic<bool> killed{false};
    std::atomic<CTimerService::TimerId> id{0};
    id = service.Start(5, [&] {
        if (++ticks == 3) {
            killed = service.Kill(id);
        }
    });
    ASSERT_TRUE(WaitUntil([&] { return killed.load(); }, 5s));
    // Further ticks would show within a few periods.
    EXPECT_FALSE(WaitUntil([&] { return ticks > 3; }, 100ms));
    EXPECT_FALSE(service.Kill(id));
}

TEST(TimerService, KillFromAnotherThreadWaitsForTheRunningCallback) {
    CTimerService service;
    std::atomic<bool> entered{false};
    std::atomic<bool> finished{false};
    const auto id = service.Start(5, [&] {
        if (!entered.exchange(true)) {
            std::this_thread::sleep_for(100ms);
            finished = true;
        }
    });
    ASSERT_TRUE(WaitUntil([&] { return entered.load(); }, 5s));
    const auto before = Clock::now();
    EXPECT_TRUE(service.Kill(id));
    std::printf("Kill waited %.3f ms for the running callback\n",
                Milliseconds(Clock::now() - before));
    EXPECT_TRUE(finished);
}
