#pragma once

#include "sensor/SensorRecords.h"

// An enabled channel with raw bounds per colour.
inline ChannelDefinition BoxChannel(unsigned mode, unsigned redLow, unsigned redHigh,
                                    unsigned greenLow, unsigned greenHigh, unsigned blueLow,
                                    unsigned blueHigh) {
    ChannelDefinition channel;
    channel.Enabled = 1;
    channel.Mode = mode;
    channel.RedLow = redLow;
    channel.RedHigh = redHigh;
    channel.GreenLow = greenLow;
    channel.GreenHigh = greenHigh;
    channel.BlueLow = blueLow;
    channel.BlueHigh = blueHigh;
    return channel;
}
