#pragma once

#include <array>
#include <cstdint>

#include "sensor/Protocol.h"
#include "sensor/SensorRecords.h"
#include "sim/ColourModel.h"

// How the virtual sensor recognises and teaches colours: against each channel's raw bounds.

using ChannelTable = std::array<ChannelDefinition, CHANNEL_COUNT_MAX>;

// Colour and luminosity: every raw component lies within its bounds. Colour only: the measured
// colour is first scaled to the channel's own brightness (its components then add up to the
// sum of the channel's midpoints), so only the shares of red, green and blue count.
bool ChannelMatches(const ChannelDefinition& channel, const RawColour& measured);

// The match status of the data reply, from the enabled channels among the model's first
// `channelCount`: the number of the first matching channel (0 none) for the fifteen-channel
// models, a bit mask (bit 0 = channel 1) for the others.
unsigned ComputeMatchStatus(unsigned modelCode, unsigned channelCount, const ChannelTable& channels,
                            const RawColour& measured);

// Bounds taught around one measured component: plus and minus `scaledTolerance` / 10000 percent
// of the component, at least `minHalfWidth` counts either side, clamped to 0..RAW_FULL_SCALE.
ComponentBounds TeachBounds(unsigned measured, std::uint32_t scaledTolerance,
                            unsigned minHalfWidth);
