#pragma once

#include <array>

#include "sensor/SensorRecords.h"

// Colours and channel boxes in raw sensor counts (0..RAW_FULL_SCALE per component), the one
// unit every quality figure is computed in.

enum QualityColour : unsigned { QUALITY_RED = 0, QUALITY_GREEN = 1, QUALITY_BLUE = 2 };

using RawRgb = std::array<double, 3>;

struct RawBox {
    RawRgb Low{};
    RawRgb High{};
};

// The reading's raw counts: the percentages were formed from whole counts, so rounding gives
// back exactly what the sensor sent.
RawRgb RawOfReading(const CurrentReading& reading);

RawBox BoxOfChannel(const ChannelDefinition& channel);
RawRgb CentreOf(const RawBox& box);
double SumOf(const RawRgb& colour);

// The colour as the channel compares it: unchanged in "Color & Luminosity"; in "Color only"
// scaled so that its sum equals the sum of the channel's centres, so only the shares count.
// Black has no shares and is compared as it is.
RawRgb ComparedColour(const ChannelDefinition& channel, const RawRgb& colour);
