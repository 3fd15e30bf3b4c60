#include "quality/Margin.h"

#include <algorithm>
#include <cmath>

double ColourMargin(double value, double low, double high) {
    const double centre = (low + high) / 2.0;
    const double half = (high - low) / 2.0;
    const double distance = std::abs(value - centre);
    if (half > 0.0) {
        return 100.0 * (1.0 - distance / half);
    }
    if (distance == 0.0 && half == 0.0) {
        return 0.0; // not -0.0, which would print as "-0.0"
    }
    // No width: the distance itself, in raw counts, is how far outside the colour lies.
    return -100.0 * (distance - half);
}

double ChannelMargin(const ChannelDefinition& channel, const RawRgb& colour) {
    const RawBox box = BoxOfChannel(channel);
    const RawRgb compared = ComparedColour(channel, colour);
    double margin = ColourMargin(compared[0], box.Low[0], box.High[0]);
    for (unsigned c = 1; c < 3; ++c) {
        margin = std::min(margin, ColourMargin(compared[c], box.Low[c], box.High[c]));
    }
    return margin;
}

std::vector<double> EnabledChannelMargins(std::span<const ChannelDefinition> channels,
                                          const RawRgb& colour) {
    std::vector<double> margins;
    for (const ChannelDefinition& channel : channels) {
        if (channel.Enabled != 0) {
            margins.push_back(ChannelMargin(channel, colour));
        }
    }
    return margins;
}

bool StatusMatchesChannel(unsigned matchStatus, unsigned channel, unsigned modelCode) {
    if (IsFifteenChannelModel(modelCode)) {
        return matchStatus == channel;
    }
    return channel >= 1 && channel <= 8 && ((matchStatus >> (channel - 1)) & 1U) != 0;
}

bool MarginDisagrees(double margin, unsigned matchStatus, unsigned channel, unsigned modelCode) {
    const bool matched = StatusMatchesChannel(matchStatus, channel, modelCode);
    if (!matched && IsFifteenChannelModel(modelCode) && matchStatus != 0 && matchStatus < channel) {
        return false;
    }
    return matched != (margin >= 0.0);
}
