#include "quality/ChannelColour.h"

#include <cmath>

RawRgb RawOfReading(const CurrentReading& reading) {
    const auto raw = [](double percent) { return std::round(percent * RAW_FULL_SCALE / 100.0); };
    return {raw(reading.Red), raw(reading.Green), raw(reading.Blue)};
}

RawBox BoxOfChannel(const ChannelDefinition& channel) {
    return {{double(channel.RedLow), double(channel.GreenLow), double(channel.BlueLow)},
            {double(channel.RedHigh), double(channel.GreenHigh), double(channel.BlueHigh)}};
}

RawRgb CentreOf(const RawBox& box) {
    RawRgb centre{};
    for (unsigned c = 0; c < 3; ++c) {
        centre[c] = (box.Low[c] + box.High[c]) / 2.0;
    }
    return centre;
}

double SumOf(const RawRgb& colour) {
    return colour[QUALITY_RED] + colour[QUALITY_GREEN] + colour[QUALITY_BLUE];
}

RawRgb ComparedColour(const ChannelDefinition& channel, const RawRgb& colour) {
    const double sum = SumOf(colour);
    if (channel.Mode != MODE_COLOR_ONLY || sum <= 0.0) {
        return colour;
    }
    const double scale = SumOf(CentreOf(BoxOfChannel(channel))) / sum;
    return {colour[0] * scale, colour[1] * scale, colour[2] * scale};
}
