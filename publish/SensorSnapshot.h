#pragma once

#include <nlohmann/json.hpp>

#include "sensor/SensorRecords.h"

// What first contact learned of a sensor: the identity as read, and the objects that
// `spectrelctl --json` prints for identify (with "device" added), settings and channels.
struct SensorSnapshot {
    SensorIdentity Identity;
    nlohmann::json IdentityObject;
    nlohmann::json Settings;
    nlohmann::json Channels;
};

// How many match outputs the sensor's model has; 0 for a code that names no model.
unsigned MatchChannelCount(unsigned modelCode);

// Whether channel 1..count recognises the target in the sensor's match status: a bit per
// channel, or the one recognised channel's number on fifteen-channel models. This is
// recognition, not the output line's level, so it does not depend on the output's polarity.
bool ChannelRecognised(unsigned modelCode, unsigned matchStatus, unsigned channel);
