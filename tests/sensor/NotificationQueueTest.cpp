#include "sensor/NotificationQueue.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

TEST(NotificationQueue, KeepsPostingOrderAcrossThreadsAndWaitsWithDeadline) {
    CNotificationQueue queue;
    EXPECT_FALSE(queue.Pop(20ms).has_value());

    constexpr int perThread = 500;
    auto poster = [&](unsigned message) {
        for (int i = 0; i < perThread; ++i) {
            queue.Post(message, static_cast<std::uintptr_t>(i));
        }
    };
    std::thread first(poster, WM_SENSOR_DATA);
    std::thread second(poster, WM_SENSOR_READ_ERROR);
    first.join();
    second.join();

    // Each thread's notifications come out in the order that thread posted them.
    std::uintptr_t nextData = 0;
    std::uintptr_t nextError = 0;
    auto previous = std::chrono::steady_clock::time_point::min();
    while (auto n = queue.Pop(0ms)) {
        auto& expected = n->Message == WM_SENSOR_DATA ? nextData : nextError;
        EXPECT_EQ(n->WParam, expected);
        ++expected;
        EXPECT_GE(n->Time, previous);
        previous = n->Time;
    }
    EXPECT_EQ(nextData, perThread);
    EXPECT_EQ(nextError, perThread);
}

TEST(NotificationQueue, PopMessageTakesTheFirstOfItsKindAndLeavesTheRest) {
    CNotificationQueue queue;
    queue.Post(WM_SENSOR_DATA, 0);
    queue.Post(WM_SENSOR_CHANNEL, 3);
    queue.Post(WM_SENSOR_CHANNEL, 4);

    const auto channel = queue.PopMessage(WM_SENSOR_CHANNEL, 0ms);
    ASSERT_TRUE(channel.has_value());
    EXPECT_EQ(channel->WParam, 3u);
    EXPECT_EQ(queue.Count(WM_SENSOR_CHANNEL), 1u);
    EXPECT_EQ(queue.Pop(0ms)->Message, WM_SENSOR_DATA);

    EXPECT_FALSE(queue.PopMessage(WM_SENSOR_TEACH, 10ms).has_value());
    std::thread late([&] {
        std::this_thread::sleep_for(30ms);
        queue.Post(WM_SENSOR_TEACH, 7);
    });
    const auto teach = queue.PopMessage(WM_SENSOR_TEACH, 5s);
    late.join();
    ASSERT_TRUE(teach.has_value());
    EXPECT_EQ(teach->WParam, 7u);
}
