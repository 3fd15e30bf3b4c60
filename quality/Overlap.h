#pragma once

#include <span>
#include <string>
#include <vector>

#include "sensor/SensorRecords.h"

// Enabled channels whose tolerance boxes overlap in all three colours, so that one colour can
// match both. Bounds count as inside (touching boxes overlap). Where a "Color only" channel
// takes part, both boxes are compared as shares: each divided by the sum of its own centres.

struct ChannelOverlap {
    unsigned First = 0; // channel numbers, First < Second
    unsigned Second = 0;
    bool operator==(const ChannelOverlap&) const = default;
};

// `channels` entry 0 is channel 1; pass the model's channels only. Pairs in channel order.
std::vector<ChannelOverlap> FindOverlaps(std::span<const ChannelDefinition> channels);

// "Channel 3 overlaps channel 5: a colour inside both matches the lower number" where the
// sensor reports only the first matching channel, "... matches both" where it reports each.
std::string OverlapMessage(const ChannelOverlap& overlap, unsigned modelCode);
