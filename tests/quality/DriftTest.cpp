#include <gtest/gtest.h>

#include <vector>

#include "QualityFixtures.h"
#include "quality/Drift.h"
#include "quality/Margin.h"
#include "sim/ColourModel.h"

namespace {

constexpr double PERIOD_SECONDS = 0.3;

struct MarginSeries {
    std::vector<double> Margins;
    std::vector<double> Seconds;
};

// Readings of the virtual sensor every polling period against red 45..55 %, green and blue wide.
MarginSeries Measure(ColourModel& model, int count) {
    const ChannelDefinition channel =
        BoxChannel(MODE_COLOR_LUMINOSITY, PercentToRaw(45), PercentToRaw(55), 0, 65472, 0, 65472);
    MarginSeries series;
    for (int i = 0; i < count; ++i) {
        const double t = 1000.0 + i * PERIOD_SECONDS;
        const RawColour raw = model.Measure(t - 1000.0, 0);
        series.Margins.push_back(ChannelMargin(channel, {double(raw.Red), 32736, 32736}));
        series.Seconds.push_back(t);
    }
    return series;
}

ColourModel NoisyModel(double noisePercent) {
    SimConfig config;
    config.NoisePercent = noisePercent;
    config.Seed = 7;
    config.TargetRed = 50.0;
    return ColourModel(config);
}

TEST(Drift, ScriptedDriftWarnsByTrendThenByMean) {
    ColourModel model = NoisyModel(0.1);
    std::vector<SimTargetStep> script;
    for (int second = 0; second < 200; ++second) {
        script.push_back({1.0, 50.0 - 0.05 * second, 30.0, 20.0}); // 1 % margin a second
    }
    model.SetScript(script);
    const MarginSeries early = Measure(model, 100); // margin from 100 down to about 70
    const DriftVerdict trend = CheckDrift(early.Margins, early.Seconds);
    EXPECT_EQ(trend.Kind, DriftKind::FALLING_TREND);
    ASSERT_TRUE(trend.SecondsToZero);
    EXPECT_NEAR(*trend.SecondsToZero, 70.0, 8.0);

    const MarginSeries late = Measure(model, 300); // down to about 10
    EXPECT_EQ(CheckDrift(late.Margins, late.Seconds).Kind, DriftKind::LOW_MEAN);
}

TEST(Drift, SilentOnSteadyNoiseSlowFallOrTooFewReadings) {
    ColourModel model = NoisyModel(0.3);
    const MarginSeries steady = Measure(model, 400);
    const DriftVerdict verdict = CheckDrift(steady.Margins, steady.Seconds);
    EXPECT_EQ(verdict.Kind, DriftKind::NONE);
    EXPECT_GT(verdict.RecentMean, 80.0);

    std::vector<double> margins, seconds;
    for (int i = 0; i < 100; ++i) {
        // Falling towards 0 within minutes, but the line explains little of the scatter.
        margins.push_back(80.0 - 0.2 * i + (i % 2 == 0 ? 30.0 : -30.0));
        seconds.push_back(i);
    }
    EXPECT_EQ(CheckDrift(margins, seconds).Kind, DriftKind::NONE);
    for (int i = 0; i < 100; ++i) {
        margins[i] = 90.0 - 0.01 * i; // reaches 0 in about two and a half hours
    }
    EXPECT_EQ(CheckDrift(margins, seconds).Kind, DriftKind::NONE);
    for (double& margin : margins) {
        margin *= 0.1; // mean about 9: too close to the edge whatever the trend
    }
    EXPECT_EQ(CheckDrift(margins, seconds).Kind, DriftKind::LOW_MEAN);

    const std::vector<double> fast{90, 80, 70, 60, 50}, times{0, 1, 2, 3, 4};
    EXPECT_FALSE(CheckDrift(fast, times).SecondsToZero) << "a line needs 100 readings";
    EXPECT_EQ(CheckDrift({}, {}).Kind, DriftKind::NONE);
}

} // namespace
