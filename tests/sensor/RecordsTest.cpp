#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sensor/SensorRecords.h"

namespace {

// Percent of full scale that one raw count stands for.
constexpr double ONE_COUNT = 100.0 / RAW_FULL_SCALE;

TEST(ModelTable, UnknownCodesHaveNoModelAndFifteenChannelModelsMatchTheTable) {
    for (unsigned code : {11U, 12U, 13U, 16U, 255U}) {
        EXPECT_EQ(FindModel(code), nullptr) << "code " << code;
    }
    for (unsigned code = 0; code <= 15; ++code) {
        const ModelInfo* model = FindModel(code);
        if (model == nullptr) {
            continue;
        }
        EXPECT_EQ(model->Code, code);
        EXPECT_EQ(IsFifteenChannelModel(code), model->Channels == 15) << "code " << code;
    }
    ASSERT_NE(FindModel(0), nullptr);
    EXPECT_STREQ(FindModel(0)->Name, "");
    EXPECT_EQ(FindModel(0)->Channels, 0U);
}

TEST(BoundsToPercent, WorkedExamples) {
    const ComponentPercent equalBounds = BoundsToPercent(0x7FE0, 0x7FE0);
    EXPECT_DOUBLE_EQ(equalBounds.Setting, 50.0);
    EXPECT_DOUBLE_EQ(equalBounds.Tolerance, 0.5) << "half-width 0 is raised to the minimum";

    const ComponentPercent fullWidth = BoundsToPercent(0, RAW_FULL_SCALE);
    EXPECT_DOUBLE_EQ(fullWidth.Setting, 50.0);
    EXPECT_DOUBLE_EQ(fullWidth.Tolerance, 50.0) << "100 before the clamp";

    const ComponentPercent zero = BoundsToPercent(0, 0);
    EXPECT_DOUBLE_EQ(zero.Setting, 0.0);
    EXPECT_DOUBLE_EQ(zero.Tolerance, 0.5);

    const ComponentPercent sent = BoundsToPercent(0x7316, 0x8CAA);
    EXPECT_DOUBLE_EQ(sent.Setting, 50.0);
    EXPECT_NEAR(sent.Tolerance, 10.0, 2 * ONE_COUNT);
}

TEST(BoundsToPercent, ToleranceComesFromTheUnclampedSetting) {
    // Midpoint 106.9 %: clamped to 100 for display, but the tolerance relates to 106.9 %.
    const ComponentPercent wide = BoundsToPercent(60000, 80000);
    EXPECT_DOUBLE_EQ(wide.Setting, 100.0);
    EXPECT_NEAR(wide.Tolerance, 20000.0 / 140000.0 * 100.0, 1e-9);

    const ComponentPercent reversed = BoundsToPercent(40000, 30000);
    EXPECT_DOUBLE_EQ(reversed.Setting, 70000.0 * 50.0 / RAW_FULL_SCALE);
    EXPECT_DOUBLE_EQ(reversed.Tolerance, 0.5) << "a negative half-width gives the minimum";
}

TEST(PercentToBounds, WorkedExamples) {
    EXPECT_EQ(PercentToBounds(50.0, 10.0), (ComponentBounds{29462, 36010}));
    EXPECT_EQ(PercentToBounds(100.0, 50.0), (ComponentBounds{32736, RAW_FULL_SCALE}))
        << "98208 is cut to full scale";
    EXPECT_EQ(PercentToBounds(0.0, 10.0), (ComponentBounds{0, 0}));
    EXPECT_EQ(PercentToBounds(0.0, 50.0), (ComponentBounds{0, 0}));
    EXPECT_EQ(PercentToBounds(100.0, 0.0), (ComponentBounds{RAW_FULL_SCALE, RAW_FULL_SCALE}));
}

TEST(PercentToBounds, RoundsHalfUpAndStaysOnTheScaleForAnyInput) {
    // 1 % of full scale is 654.72 counts: rounds up; 0.5 % is 327.36: rounds down.
    EXPECT_EQ(PercentToBounds(1.0, 0.0).Low, 655U);
    EXPECT_EQ(PercentToBounds(0.5, 0.0).Low, 327U);

    EXPECT_EQ(PercentToBounds(50.0, 200.0), (ComponentBounds{0, RAW_FULL_SCALE}));
    EXPECT_EQ(PercentToBounds(-10.0, 10.0), (ComponentBounds{0, 0}));
    EXPECT_EQ(PercentToBounds(1e300, 10.0), (ComponentBounds{RAW_FULL_SCALE, RAW_FULL_SCALE}));
    EXPECT_EQ(PercentToBounds(std::nan(""), 10.0), (ComponentBounds{0, 0}));
    EXPECT_EQ(PercentToBounds(150.0, -50.0), (ComponentBounds{RAW_FULL_SCALE, 49104}))
        << "a low bound beyond full scale would not fit its four hex digits";
}

TEST(ScaleTeachTolerance, ScalesRoundsAndFitsFiveHexDigits) {
    EXPECT_EQ(ScaleTeachTolerance(10.0), 100000U);
    EXPECT_EQ(ScaleTeachTolerance(12.5), 125000U);
    EXPECT_EQ(ScaleTeachTolerance(50.0), 500000U);
    EXPECT_EQ(ScaleTeachTolerance(0.00006), 1U);
    EXPECT_EQ(ScaleTeachTolerance(0.00004), 0U);
    EXPECT_EQ(ScaleTeachTolerance(-1.0), 0U);
    EXPECT_EQ(ScaleTeachTolerance(1000.0), 0xFFFFFU);
    EXPECT_EQ(ScaleTeachTolerance(std::numeric_limits<double>::infinity()), 0xFFFFFU);
}

TEST(TeachResult, KeepsTheStoredToleranceOnlyWhenItReproducesTheBounds) {
    const ComponentPercent kept = TeachResult(29462, 36010, 10.0);
    EXPECT_DOUBLE_EQ(kept.Setting, 50.0);
    EXPECT_DOUBLE_EQ(kept.Tolerance, 10.0) << "not the rounded-back 10.0012";

    const ComponentPercent derived = TeachResult(29462, 36010, 20.0);
    EXPECT_DOUBLE_EQ(derived.Setting, 50.0);
    EXPECT_NEAR(derived.Tolerance, 10.0, 2 * ONE_COUNT);
    EXPECT_NE(derived.Tolerance, 10.0);

    const ComponentPercent clamped = TeachResult(0, RAW_FULL_SCALE, 10.0);
    EXPECT_DOUBLE_EQ(clamped.Tolerance, 50.0);

    const ComponentPercent zero = TeachResult(0, 0, 7.0);
    EXPECT_DOUBLE_EQ(zero.Setting, 0.0);
    EXPECT_DOUBLE_EQ(zero.Tolerance, 7.0) << "any tolerance reproduces bounds 0 and 0";
}

TEST(TeachResult, SettingIsNotClamped) {
    const ComponentPercent high = TeachResult(0xFFFF, 0xFFFF, 0.5);
    EXPECT_GT(high.Setting, 100.0);
    EXPECT_DOUBLE_EQ(high.Setting, 0xFFFF * 100.0 / RAW_FULL_SCALE);
    EXPECT_DOUBLE_EQ(high.Tolerance, 0.5);
}

ChannelDefinition ChannelWithBounds(unsigned redLow, unsigned redHigh, unsigned greenLow,
                                    unsigned greenHigh, unsigned blueLow, unsigned blueHigh) {
    ChannelDefinition channel;
    channel.RedLow = redLow;
    channel.RedHigh = redHigh;
    channel.GreenLow = greenLow;
    channel.GreenHigh = greenHigh;
    channel.BlueLow = blueLow;
    channel.BlueHigh = blueHigh;
    return channel;
}

TEST(ChannelConversions, EachComponentUsesItsOwnFields) {
    ChannelDefinition read = ChannelWithBounds(0x7FE0, 0x7FE0, 0, RAW_FULL_SCALE, 0, 0);
    ChannelBoundsToPercent(read);
    EXPECT_DOUBLE_EQ(read.RedSetting, 50.0);
    EXPECT_DOUBLE_EQ(read.RedTolerance, 0.5);
    EXPECT_DOUBLE_EQ(read.GreenSetting, 50.0);
    EXPECT_DOUBLE_EQ(read.GreenTolerance, 50.0);
    EXPECT_DOUBLE_EQ(read.BlueSetting, 0.0);
    EXPECT_DOUBLE_EQ(read.BlueTolerance, 0.5);

    ChannelDefinition sent;
    sent.RedSetting = 50.0;
    sent.RedTolerance = 10.0;
    sent.GreenSetting = 100.0;
    sent.GreenTolerance = 50.0;
    sent.BlueSetting = 0.0;
    sent.BlueTolerance = 30.0;
    ChannelPercentToBounds(sent);
    EXPECT_EQ(sent.RedLow, 29462U);
    EXPECT_EQ(sent.RedHigh, 36010U);
    EXPECT_EQ(sent.GreenLow, 32736U);
    EXPECT_EQ(sent.GreenHigh, RAW_FULL_SCALE);
    EXPECT_EQ(sent.BlueLow, 0U);
    EXPECT_EQ(sent.BlueHigh, 0U);
    EXPECT_DOUBLE_EQ(sent.RedSetting, 50.0) << "percentages are kept as given";
    EXPECT_DOUBLE_EQ(sent.BlueTolerance, 30.0);

    ChannelDefinition taught = ChannelWithBounds(29462, 36010, 29462, 36010, 0, RAW_FULL_SCALE);
    taught.RedTolerance = 10.0;
    taught.GreenTolerance = 20.0;
    taught.BlueTolerance = 10.0;
    ChannelTeachResult(taught);
    EXPECT_DOUBLE_EQ(taught.RedTolerance, 10.0);
    EXPECT_NEAR(taught.GreenTolerance, 10.0, 2 * ONE_COUNT);
    EXPECT_NE(taught.GreenTolerance, 10.0);
    EXPECT_DOUBLE_EQ(taught.BlueTolerance, 50.0);
    EXPECT_DOUBLE_EQ(taught.GreenSetting, 50.0);
}

TEST(RawToPercent, FullScaleIsHundredAndAboveIsKept) {
    EXPECT_DOUBLE_EQ(RawToPercent(0), 0.0);
    EXPECT_DOUBLE_EQ(RawToPercent(0xFFC0), 100.0);
    EXPECT_NEAR(RawToPercent(0xFFFF), 100.1, 0.01);
    EXPECT_GT(RawToPercent(0xFFFF), 100.0);
}

TEST(FormatFirmware, MinorHasTwoDigitsAtLeast) {
    EXPECT_EQ(FormatFirmware(1, 13), "1.13");
    EXPECT_EQ(FormatFirmware(2, 3), "2.03");
    EXPECT_EQ(FormatFirmware(1, 5), "1.05");
    EXPECT_EQ(FormatFirmware(0, 0), "0.00");
    EXPECT_EQ(FormatFirmware(1, 100), "1.100");
    EXPECT_EQ(FormatFirmware(4095, 4095), "4095.4095");
}

} // namespace
