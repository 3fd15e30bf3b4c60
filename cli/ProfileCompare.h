#pragma once

#include <array>
#include <string>
#include <vector>

#include "profile/Profile.h"
#include "sensor/SensorRecords.h"

// What a sensor holds, as a profile sees it: the values the control panel would take from it
// after reading everything, and the raw bounds of its channels (channel N at N-1).
struct SensorProfile {
    ProfileValues Values;
    std::array<ChannelDefinition, PROFILE_MAX_CHANNELS> Channels{};
    unsigned AmbientSubtraction = 0; // not in a profile; a send keeps it as read
};

// One key whose value differs between the sensor and the profile, in written form.
struct KeyDifference {
    ProfileEntry Entry;
    std::string Sensor;
    std::string File;
    bool operator==(const KeyDifference&) const = default;
};

// The keys of the sensor's configuration (settings and channels; not the identity, which a
// profile only notes, nor logging, which is the window's) whose written forms differ, in file
// order. A colour whose setting and tolerance the sensor already holds as exactly the bounds
// a send of the file's values would give counts as the same: the written forms of a value the
// user typed and of its read-back differ in the last digits.
std::vector<KeyDifference> CompareProfile(const SensorProfile& sensor, const ProfileValues& file);

// "[Channel#3]RedTolerance"
std::string KeyName(const ProfileEntry& entry);
