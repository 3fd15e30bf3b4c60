#include "sim/ColourMatch.h"

#include <algorithm>

namespace {

bool Within(double value, unsigned low, unsigned high) {
    return value >= low && value <= high;
}

bool LuminosityMatches(const ChannelDefinition& channel, const RawColour& measured) {
    return Within(measured.Red, channel.RedLow, channel.RedHigh) &&
           Within(measured.Green, channel.GreenLow, channel.GreenHigh) &&
           Within(measured.Blue, channel.BlueLow, channel.BlueHigh);
}

bool ShareMatches(const ChannelDefinition& channel, const RawColour& measured) {
    const double midpointSum = (double(channel.RedLow) + channel.RedHigh + channel.GreenLow +
                                channel.GreenHigh + channel.BlueLow + channel.BlueHigh) /
                               2.0;
    const double measuredSum = double(measured.Red) + measured.Green + measured.Blue;
    // Black has no shares: it is compared as it is.
    const double scale = measuredSum > 0.0 ? midpointSum / measuredSum : 1.0;
    return Within(measured.Red * scale, channel.RedLow, channel.RedHigh) &&
           Within(measured.Green * scale, channel.GreenLow, channel.GreenHigh) &&
           Within(measured.Blue * scale, channel.BlueLow, channel.BlueHigh);
}

} // namespace

bool ChannelMatches(const ChannelDefinition& channel, const RawColour& measured) {
    return channel.Mode == MODE_COLOR_LUMINOSITY ? LuminosityMatches(channel, measured)
                                                 : ShareMatches(channel, measured);
}

unsigned ComputeMatchStatus(unsigned modelCode, unsigned channelCount, const ChannelTable& channels,
                            const RawColour& measured) {
    const bool numbered = IsFifteenChannelModel(modelCode);
    unsigned status = 0;
    for (unsigned index = 0; index < std::min<unsigned>(channelCount, CHANNEL_COUNT_MAX); ++index) {
        const ChannelDefinition& channel = channels[index];
        if (channel.Enabled == 0 || !ChannelMatches(channel, measured)) {
            continue;
        }
        if (numbered) {
            return index + 1;
        }
        status |= 1u << index;
    }
    return status;
}

ComponentBounds TeachBounds(unsigned measured, std::uint32_t scaledTolerance,
                            unsigned minHalfWidth) {
    // scaledTolerance / 10000 percent of the component: measured * scaled / 1000000, rounded.
    const std::uint64_t half = std::max<std::uint64_t>(
        (std::uint64_t(measured) * scaledTolerance + 500000) / 1000000, minHalfWidth);
    const std::uint64_t low = measured > half ? measured - half : 0;
    const std::uint64_t high = std::min<std::uint64_t>(measured + half, RAW_FULL_SCALE);
    return {static_cast<unsigned>(low), static_cast<unsigned>(high)};
}
