#include <gtest/gtest.h>

#include <vector>

#include "quality/Decimation.h"
#include "quality/ReadingHistory.h"

namespace {

using namespace std::chrono_literals;

const std::chrono::steady_clock::time_point START{};

HistoryEntry EntryAt(std::chrono::milliseconds arrival, unsigned red) {
    const CurrentReading reading{RawToPercent(red), RawToPercent(0xFFFF), 0.0, 0x105};
    return MakeHistoryEntry(START + arrival, {}, reading);
}

TEST(ReadingHistory, HoldsAnHourAtTheShortestPeriodAndDropsTheOldest) {
    EXPECT_GE(HISTORY_CAPACITY * MIN_POLLING_PERIOD_MS, 3600000u);
    EXPECT_LT(HISTORY_CAPACITY * sizeof(HistoryEntry), 8u << 20) << "bounded memory";

    CReadingHistory history(3);
    for (unsigned i = 1; i <= 5; ++i) {
        history.Add(EntryAt(i * 100ms, 1000 * i));
    }
    ASSERT_EQ(history.Size(), 3u);
    EXPECT_EQ(history.At(0).Raw[0], 3000) << "the two oldest went";
    EXPECT_EQ(history.At(2).Raw[0], 5000);
    EXPECT_EQ(history.At(2).Raw[1], 0xFFFF) << "a full-scale overrun is kept";
    EXPECT_EQ(history.At(2).MatchStatus, 0x05);

    EXPECT_EQ(history.FirstSince(START + 350ms), 1u);
    EXPECT_EQ(history.FirstSince(START + 400ms), 1u) << "inclusive";
    EXPECT_EQ(history.FirstSince(START), 0u);
    EXPECT_EQ(history.FirstSince(START + 1s), 3u);
    const std::vector<HistoryEntry> span = history.Since(START + 400ms);
    ASSERT_EQ(span.size(), 2u);
    EXPECT_EQ(span[0].Raw[0], 4000);

    history.Add(EntryAt(50ms, 6000)); // out of order: filed as the newest
    EXPECT_EQ(history.At(2).Arrival, START + 500ms);
    EXPECT_EQ(history.FirstSince(START + 450ms), 1u);
}

TEST(Decimation, MinAndMaxPerColumnInTheOrderTheyCame) {
    std::vector<ChartPoint> points;
    for (int i = 0; i < 1000; ++i) {
        points.push_back({i * 0.01, double((i * 37) % 101)});
    }
    points[250].Y = 500.0;
    points[260].Y = -5.0;
    const std::vector<ChartPoint> drawn = DecimateMinMax(points, 0.0, 10.0, 10);
    ASSERT_EQ(drawn.size(), 20u);
    EXPECT_EQ(drawn[4], (ChartPoint{2.5, 500.0}));
    EXPECT_EQ(drawn[5], (ChartPoint{2.6, -5.0}));
    for (std::size_t i = 1; i < drawn.size(); ++i) {
        EXPECT_LT(drawn[i - 1].X, drawn[i].X);
    }

    const std::vector<ChartPoint> sparse{{0.5, 1}, {1.5, 2}, {1.6, 2}, {3.0, 9}, {11.0, 4}};
    EXPECT_EQ(DecimateMinMax(sparse, 0.0, 10.0, 10),
              (std::vector<ChartPoint>{{0.5, 1}, {1.5, 2}, {3.0, 9}}))
        << "one point a column kept, equal ones once, outside the range left out";
    EXPECT_TRUE(DecimateMinMax(sparse, 0.0, 10.0, 0).empty());
    EXPECT_TRUE(DecimateMinMax(sparse, 5.0, 5.0, 10).empty());
}

} // namespace
