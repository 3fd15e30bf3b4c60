#pragma once

#include <array>
#include <cstddef>

#include "sensor/SensorRecords.h"

// Field widths and orders that commands and replies share, so that the builder and the parser
// cannot drift apart.
inline constexpr std::size_t CHANNEL_INDEX_DIGITS = 1;
inline constexpr std::size_t ONE_DIGIT = 1;
inline constexpr std::size_t ILLUMINATION_DIGITS = 2;
inline constexpr std::size_t BOUND_DIGITS = 4;
inline constexpr std::size_t TEACH_TOLERANCE_DIGITS = 5;

inline constexpr std::array<unsigned ChannelDefinition::*, 3> CHANNEL_FLAGS = {
    &ChannelDefinition::MatchOutput, &ChannelDefinition::Enabled, &ChannelDefinition::Mode};

inline constexpr std::array<unsigned ChannelDefinition::*, 6> CHANNEL_BOUNDS = {
    &ChannelDefinition::RedLow,    &ChannelDefinition::RedHigh, &ChannelDefinition::GreenLow,
    &ChannelDefinition::GreenHigh, &ChannelDefinition::BlueLow, &ChannelDefinition::BlueHigh};

// Ambient subtraction travels inverted (0 = on, 1 = off). Only 0 counts as the other state, so
// a stray digit from the line or a stray value from a caller still gives 0 or 1, never the
// wrapped-around result of a subtraction.
inline constexpr unsigned InvertAmbientSubtraction(unsigned value) {
    return value == 0 ? 1U : 0U;
}
