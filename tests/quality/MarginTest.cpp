#include <gtest/gtest.h>

#include <cmath>

#include "QualityFixtures.h"
#include "quality/Margin.h"

namespace {

TEST(Margin, CentreEdgeJustOutsideAndZeroWidth) {
    EXPECT_DOUBLE_EQ(ColourMargin(2000, 1000, 3000), 100.0);
    EXPECT_DOUBLE_EQ(ColourMargin(3000, 1000, 3000), 0.0);
    EXPECT_DOUBLE_EQ(ColourMargin(1000, 1000, 3000), 0.0);
    EXPECT_NEAR(ColourMargin(3001, 1000, 3000), -0.1, 1e-9);
    EXPECT_DOUBLE_EQ(ColourMargin(1500, 1000, 3000), 50.0);
    EXPECT_FALSE(std::signbit(ColourMargin(500, 500, 500))) << "0 on a box of no width, not -0";
    EXPECT_DOUBLE_EQ(ColourMargin(502, 500, 500), -200.0) << "-100 per count away";
    EXPECT_LT(ColourMargin(2000, 3000, 1000), 0.0) << "a reversed box holds nothing";
}

TEST(Margin, ChannelTakesTheSmallestColourOfTheRawReading) {
    const ChannelDefinition channel =
        BoxChannel(MODE_COLOR_LUMINOSITY, 1000, 3000, 2000, 2200, 500, 1500);
    // Green sits a quarter of its half-width from its edge; the reading arrives in percent.
    const CurrentReading reading{RawToPercent(2000), RawToPercent(2175), RawToPercent(1000), 1};
    EXPECT_DOUBLE_EQ(ChannelMargin(channel, RawOfReading(reading)), 25.0);
    EXPECT_NEAR(ChannelMargin(channel, {3001, 2100, 1000}), -0.1, 1e-9);
}

TEST(Margin, ColorOnlyComparesSharesScaledToTheCentres) {
    // Centres 3000, 2000, 5000: their sum is 10000.
    ChannelDefinition channel = BoxChannel(MODE_COLOR_ONLY, 2000, 4000, 1000, 3000, 4500, 5500);
    EXPECT_DOUBLE_EQ(ChannelMargin(channel, {6000, 4000, 10000}), 100.0) << "twice as bright";
    EXPECT_DOUBLE_EQ(ChannelMargin(channel, {8000, 2000, 10000}), 0.0) << "shares on the edge";
    EXPECT_LT(ChannelMargin(channel, {8200, 1800, 10000}), 0.0);
    channel.Mode = MODE_COLOR_LUMINOSITY;
    EXPECT_LT(ChannelMargin(channel, {6000, 4000, 10000}), 0.0) << "brightness counts here";
}

TEST(Margin, OnePerEnabledChannelAndDisagreementWithTheMatchStatus) {
    ChannelDefinition off = BoxChannel(MODE_COLOR_LUMINOSITY, 0, 100, 0, 100, 0, 100);
    off.Enabled = 0;
    const ChannelDefinition inside = BoxChannel(MODE_COLOR_LUMINOSITY, 0, 200, 0, 200, 0, 200);
    const ChannelDefinition table[] = {inside, off, inside};
    EXPECT_EQ(EnabledChannelMargins(table, {100, 100, 100}), (std::vector<double>{100.0, 100.0}));

    const unsigned fourChannelModel = 4, fifteenChannelModel = 15;
    EXPECT_FALSE(MarginDisagrees(5.0, 0b100, 3, fourChannelModel));
    EXPECT_TRUE(MarginDisagrees(5.0, 0b011, 3, fourChannelModel)) << "inside, but no match";
    EXPECT_TRUE(MarginDisagrees(-1.0, 0b100, 3, fourChannelModel)) << "outside, yet a match";
    EXPECT_FALSE(MarginDisagrees(-1.0, 0, 3, fourChannelModel));
    EXPECT_FALSE(MarginDisagrees(5.0, 5, 5, fifteenChannelModel));
    EXPECT_FALSE(MarginDisagrees(5.0, 3, 5, fifteenChannelModel)) << "a lower channel won";
    EXPECT_TRUE(MarginDisagrees(5.0, 0, 5, fifteenChannelModel));
    EXPECT_TRUE(MarginDisagrees(5.0, 7, 5, fifteenChannelModel)) << "a higher one cannot win";
    EXPECT_TRUE(MarginDisagrees(-1.0, 5, 5, fifteenChannelModel));
}

} // namespace
