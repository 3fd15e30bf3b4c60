#pragma once

#include <chrono>
#include <vector>

#include "cli/CtlOutput.h"
#include "cli/Json.h"

// The objects `spectrelctl --json` prints for a sensor, for every program that reports one the
// same way.

// model, name, channels, logging, serial, firmware
JsonValue IdentityJson(const SensorIdentity& identity);
// averaging (samples), triggering (word), delay (ms), illumination, ambient_subtraction
JsonValue SettingsJson(const SensorSettings& settings);
// channel, enabled, mode, output, colours and tolerances in percent, raw bounds
JsonValue ChannelJson(const NumberedChannel& channel);
JsonValue ChannelsJson(const std::vector<NumberedChannel>& channels);
// time (local, ISO 8601 with milliseconds and UTC offset), red, green, blue, match
JsonValue ReadingJson(std::chrono::system_clock::time_point time, const CurrentReading& reading);
