#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "QualityFixtures.h"
#include "quality/Statistics.h"
#include "quality/TeachSpread.h"
#include "sim/ColourModel.h"
#include "teach/MultiSampleResult.h"

namespace {

TEST(Statistics, KnownSeries) {
    const std::vector<double> series{2, 4, 4, 4, 5, 5, 7, 9};
    const SeriesStatistics stats = DescribeSeries(series);
    EXPECT_EQ(stats.Count, 8u);
    EXPECT_DOUBLE_EQ(stats.Mean, 5.0);
    EXPECT_DOUBLE_EQ(stats.StandardDeviation, std::sqrt(32.0 / 7.0)) << "sample, n - 1";
    EXPECT_EQ(stats.Min, 2.0);
    EXPECT_EQ(stats.Max, 9.0);
    EXPECT_EQ(DescribeSeries(std::vector<double>{}).Count, 0u);
    EXPECT_EQ(DescribeSeries(std::vector<double>{3.0}).StandardDeviation, 0.0);

    const std::vector<double> margins{50, 20, 80};
    const std::optional<MarginSummary> summary = SummariseMargins(margins);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->Now, 80.0);
    EXPECT_EQ(summary->Min, 20.0);
    EXPECT_DOUBLE_EQ(summary->Mean, 50.0);
    EXPECT_FALSE(SummariseMargins({}));
}

TEST(Statistics, SeededNoiseOfTheVirtualSensorInPercent) {
    SimConfig config;
    config.NoisePercent = 0.5;
    config.Seed = 42;
    ColourModel model(config); // 40, 30, 20 percent
    std::vector<RawRgb> readings;
    for (int i = 0; i < 4000; ++i) {
        const RawColour raw = model.Measure(i * 0.3, 0);
        readings.push_back({double(raw.Red), double(raw.Green), double(raw.Blue)});
    }
    const auto stats = ColourStatistics(readings);
    EXPECT_NEAR(stats[QUALITY_RED].Mean, 40.0, 0.05);
    EXPECT_NEAR(stats[QUALITY_BLUE].Mean, 20.0, 0.05);
    EXPECT_NEAR(stats[QUALITY_GREEN].StandardDeviation, 0.5, 0.03);
    EXPECT_GT(stats[QUALITY_RED].Max, 41.0);
    EXPECT_LT(stats[QUALITY_RED].Min, 39.0);
}

TEST(Statistics, CapabilityAgainstTheBoundsAbsentWithoutSpread) {
    const ChannelDefinition channel = BoxChannel(MODE_COLOR_LUMINOSITY, 0, 12, 0, 12, 0, 12);
    std::vector<RawRgb> readings;
    for (const double red : {2, 4, 4, 4, 5, 5, 7, 9}) {
        readings.push_back({red, 6, 6});
    }
    const double sigma = std::sqrt(32.0 / 7.0);
    const auto capability = ChannelCapability(channel, readings);
    EXPECT_DOUBLE_EQ(*capability[QUALITY_RED].Cp, 12.0 / (6 * sigma));
    EXPECT_DOUBLE_EQ(*capability[QUALITY_RED].Cpk, 5.0 / (3 * sigma)) << "nearer the low bound";
    EXPECT_FALSE(capability[QUALITY_GREEN].Cp);
    EXPECT_FALSE(capability[QUALITY_GREEN].Cpk);

    // Brightness changes but shares stay: no spread at all once scaled in "Color only".
    ChannelDefinition shares = BoxChannel(MODE_COLOR_ONLY, 900, 1100, 1900, 2100, 2900, 3100);
    const std::vector<RawRgb> brighter{{100, 200, 300}, {200, 400, 600}, {300, 600, 900}};
    EXPECT_FALSE(ChannelCapability(shares, brighter)[QUALITY_BLUE].Cp);
    shares.Mode = MODE_COLOR_LUMINOSITY;
    EXPECT_TRUE(ChannelCapability(shares, brighter)[QUALITY_BLUE].Cp);
}

TEST(TeachSpread, SpreadInPercentOfTheResultingBand) {
    const std::vector<int> samples{20000, 20600};
    const SampleResult result = ResultOfSamples(samples); // 19935 .. 20665
    const std::optional<double> spread =
        TeachSpreadPercent(samples, result.Color, result.Tolerance);
    ASSERT_TRUE(spread);
    EXPECT_NEAR(*spread, 100.0 * 600 / 730, 0.2);
    EXPECT_EQ(TeachSpreadPercent(std::vector<int>{20000}, result.Color, result.Tolerance), 0.0);
    EXPECT_FALSE(TeachSpreadPercent(std::vector<int>{0}, 0.0, 0.5)) << "a band of no width";
}

} // namespace
