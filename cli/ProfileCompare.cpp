#include "cli/ProfileCompare.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace {

struct Component {
    const char* Name; // how the component's keys begin
    unsigned ChannelDefinition::*Low;
    unsigned ChannelDefinition::*High;
    double PanelChannel::*Setting;
    double PanelChannel::*Tolerance;
};
constexpr Component COMPONENTS[] = {
    {"Red", &ChannelDefinition::RedLow, &ChannelDefinition::RedHigh, &PanelChannel::RedSetting,
     &PanelChannel::RedTolerance},
    {"Green", &ChannelDefinition::GreenLow, &ChannelDefinition::GreenHigh,
     &PanelChannel::GreenSetting, &PanelChannel::GreenTolerance},
    {"Blue", &ChannelDefinition::BlueLow, &ChannelDefinition::BlueHigh, &PanelChannel::BlueSetting,
     &PanelChannel::BlueTolerance},
};

constexpr std::string_view CHANNEL_PREFIX = "Channel#";

// The channel number of a "Channel#N" section.
std::optional<int> ChannelOf(std::string_view section) {
    if (!section.starts_with(CHANNEL_PREFIX)) {
        return std::nullopt;
    }
    section.remove_prefix(CHANNEL_PREFIX.size());
    int channel = 0;
    const auto result = std::from_chars(section.data(), section.data() + section.size(), channel);
    if (result.ec != std::errc() || channel < 1 || channel > PROFILE_MAX_CHANNELS) {
        return std::nullopt;
    }
    return channel;
}

const Component* ColourOf(std::string_view key) {
    if (!key.ends_with("Setting") && !key.ends_with("Tolerance")) {
        return nullptr;
    }
    for (const Component& component : COMPONENTS) {
        if (key.starts_with(component.Name)) {
            return &component;
        }
    }
    return nullptr;
}

// The sensor holds the colour exactly as a send of the file's setting and tolerance would set it.
bool HoldsColour(const SensorProfile& sensor, const ProfileValues& file,
                 const ProfileEntry& entry) {
    const std::optional<int> channel = ChannelOf(entry.Section);
    const Component* component = ColourOf(entry.Key);
    if (!channel || component == nullptr) {
        return false;
    }
    const PanelChannel& wanted = file.Channels[*channel - 1];
    const ChannelDefinition& held = sensor.Channels[*channel - 1];
    return PercentToBounds(wanted.*component->Setting, wanted.*component->Tolerance) ==
           ComponentBounds{held.*component->Low, held.*component->High};
}

} // namespace

std::string KeyName(const ProfileEntry& entry) {
    return "[" + entry.Section + "]" + entry.Key;
}

std::vector<KeyDifference> CompareProfile(const SensorProfile& sensor, const ProfileValues& file) {
    // Only what the sensor holds is compared: the rest is taken from the sensor's side.
    ProfileValues wanted = file;
    wanted.ModelName = sensor.Values.ModelName;
    wanted.SerialNumber = sensor.Values.SerialNumber;
    wanted.FirmwareMajor = sensor.Values.FirmwareMajor;
    wanted.FirmwareMinor = sensor.Values.FirmwareMinor;
    wanted.Logging = sensor.Values.Logging;
    wanted.ChannelCount = sensor.Values.ChannelCount;

    const std::vector<ProfileKeyText> held = ProfileKeys(sensor.Values);
    const std::vector<ProfileKeyText> asked = ProfileKeys(wanted);
    std::vector<KeyDifference> differences;
    for (std::size_t i = 0; i < held.size() && i < asked.size(); ++i) {
        if (held[i].Text != asked[i].Text && !HoldsColour(sensor, wanted, held[i].Entry)) {
            differences.push_back({held[i].Entry, held[i].Text, asked[i].Text});
        }
    }
    return differences;
}
