#include <gtest/gtest.h>

#include <array>

#include "QualityFixtures.h"
#include "quality/Overlap.h"

namespace {

ChannelDefinition Cube(unsigned mode, unsigned low, unsigned high) {
    return BoxChannel(mode, low, high, low, high, low, high);
}

TEST(Overlap, FifteenChannelModelNamesTouchingEnabledBoxes) {
    std::array<ChannelDefinition, 15> channels{};
    for (unsigned i = 0; i < channels.size(); ++i) {
        channels[i] = Cube(MODE_COLOR_LUMINOSITY, 4000 * i, 4000 * i + 1000);
    }
    channels[4] = Cube(MODE_COLOR_LUMINOSITY, 9000, 9500); // touches channel 3 (8000..9000)
    channels[3] = Cube(MODE_COLOR_LUMINOSITY, 8500, 8600); // inside it, but switched off
    channels[3].Enabled = 0;
    channels[9].RedHigh = 40000; // overlaps channel 11 in red only
    const std::vector<ChannelOverlap> overlaps = FindOverlaps(channels);
    ASSERT_EQ(overlaps, (std::vector<ChannelOverlap>{{3, 5}}));
    EXPECT_EQ(OverlapMessage(overlaps[0], 15),
              "Channel 3 overlaps channel 5: a colour inside both matches the lower number");
    EXPECT_EQ(OverlapMessage(overlaps[0], 9),
              "Channel 3 overlaps channel 5: a colour inside both matches the lower number");
}

TEST(Overlap, FourChannelModelComparesColorOnlyBoxesAsShares) {
    // The same shares at two brightnesses: apart in raw counts, one colour in shares.
    std::array<ChannelDefinition, 4> channels{
        BoxChannel(MODE_COLOR_ONLY, 900, 1100, 1900, 2100, 2900, 3100),
        BoxChannel(MODE_COLOR_ONLY, 1800, 2200, 3800, 4200, 5800, 6200),
        Cube(MODE_COLOR_LUMINOSITY, 30000, 31000),
        Cube(MODE_COLOR_LUMINOSITY, 31000, 32000),
    };
    const std::vector<ChannelOverlap> overlaps = FindOverlaps(channels);
    ASSERT_EQ(overlaps, (std::vector<ChannelOverlap>{{1, 2}, {3, 4}}));
    EXPECT_EQ(OverlapMessage(overlaps[0], 4),
              "Channel 1 overlaps channel 2: a colour inside both matches both");

    channels[0].Mode = channels[1].Mode = MODE_COLOR_LUMINOSITY;
    channels[3].RedLow = 31001;
    EXPECT_TRUE(FindOverlaps(channels).empty());
}

} // namespace
