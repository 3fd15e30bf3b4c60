#pragma once

#include <string>

#include "sensor/SensorRecords.h"

// What first contact learned of a sensor: the identity as read, and the JSON texts that
// `spectrelctl --json` prints for identify (with "device" added), settings and channels. They
// come as texts written by the client's one JSON writer, so a payload is exactly what a script
// reading `--json` already knows, member order and escapes included.
struct SensorSnapshot {
    SensorIdentity Identity;
    std::string IdentityText;
    std::string SettingsText;
    std::string ChannelsText;
};

// How many match outputs the sensor's model has; 0 for a code that names no model.
unsigned MatchChannelCount(unsigned modelCode);

// Whether channel 1..count recognises the target in the sensor's match status: a bit per
// channel, or the one recognised channel's number on fifteen-channel models. This is
// recognition, not the output line's level, so it does not depend on the output's polarity.
bool ChannelRecognised(unsigned modelCode, unsigned matchStatus, unsigned channel);
