#include "sensor/SensorRecords.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace {

constexpr double FULL_SCALE = RAW_FULL_SCALE;
constexpr double MIN_TOLERANCE = 0.5;
constexpr double MAX_TOLERANCE = 50.0;
constexpr std::uint32_t TEACH_TOLERANCE_MAX = 0xFFFFF; // five hex digits on the wire

// The midpoint of two bounds in percent. The sum is formed in integers first so that the
// figures match the sensor's own to the last digit.
double MidpointPercent(unsigned low, unsigned high) {
    return static_cast<double>(std::uint64_t{low} + high) * 50.0 / FULL_SCALE;
}

// Half the width of the bounds in percent of the colour value; a high bound below the low one
// makes the width negative, which the clamp turns into the smallest tolerance.
double DerivedTolerance(unsigned low, unsigned high, double setting) {
    const double halfWidth =
        (static_cast<double>(high) - static_cast<double>(low)) * 50.0 / FULL_SCALE;
    const double tolerance = setting != 0.0 ? halfWidth * 100.0 / setting : halfWidth;
    return std::clamp(tolerance, MIN_TOLERANCE, MAX_TOLERANCE);
}

// truncate(value + 0.5), limited to 0..max. Limiting before the conversion keeps it defined for
// any input a caller may hand over (a huge or negative percentage, even NaN).
std::uint32_t RoundHalfUp(double value, std::uint32_t max) {
    const double rounded = std::trunc(value + 0.5);
    if (!(rounded > 0.0)) {
        return 0;
    }
    if (rounded >= static_cast<double>(max)) {
        return max;
    }
    return static_cast<std::uint32_t>(rounded);
}

struct ComponentFields {
    unsigned& Low;
    unsigned& High;
    double& Setting;
    double& Tolerance;
};

std::array<ComponentFields, 3> Components(ChannelDefinition& channel) {
    return {{
        {channel.RedLow, channel.RedHigh, channel.RedSetting, channel.RedTolerance},
        {channel.GreenLow, channel.GreenHigh, channel.GreenSetting, channel.GreenTolerance},
        {channel.BlueLow, channel.BlueHigh, channel.BlueSetting, channel.BlueTolerance},
    }};
}

void AppendDecimal(std::string& text, unsigned value) {
    std::array<char, 16> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    text.append(digits.data(), result.ptr);
}

} // namespace

double RawToPercent(unsigned raw) {
    return static_cast<double>(raw) * 100.0 / FULL_SCALE;
}

ComponentPercent BoundsToPercent(unsigned low, unsigned high) {
    const double setting = MidpointPercent(low, high);
    // The tolerance relates to the unclamped midpoint.
    return {std::clamp(setting, 0.0, 100.0), DerivedTolerance(low, high, setting)};
}

ComponentBounds PercentToBounds(double setting, double tolerance) {
    const double delta = setting != 0.0 ? setting * 0.01 * tolerance : 0.0;
    return {RoundHalfUp((setting - delta) * 0.01 * FULL_SCALE, RAW_FULL_SCALE),
            RoundHalfUp((setting + delta) * 0.01 * FULL_SCALE, RAW_FULL_SCALE)};
}

std::uint32_t ScaleTeachTolerance(double tolerance) {
    return RoundHalfUp(tolerance * 10000.0, TEACH_TOLERANCE_MAX);
}

ComponentPercent TeachResult(unsigned low, unsigned high, double storedTolerance) {
    const double setting = MidpointPercent(low, high);
    // The sensor taught around the tolerance it was sent: when that tolerance explains the
    // new bounds exactly, the user's own figure stays instead of a rounded-back one.
    if (PercentToBounds(setting, storedTolerance) == ComponentBounds{low, high}) {
        return {setting, storedTolerance};
    }
    return {setting, DerivedTolerance(low, high, setting)};
}

void ChannelBoundsToPercent(ChannelDefinition& channel) {
    for (const ComponentFields& component : Components(channel)) {
        const ComponentPercent percent = BoundsToPercent(component.Low, component.High);
        component.Setting = percent.Setting;
        component.Tolerance = percent.Tolerance;
    }
}

void ChannelPercentToBounds(ChannelDefinition& channel) {
    for (const ComponentFields& component : Components(channel)) {
        const ComponentBounds bounds = PercentToBounds(component.Setting, component.Tolerance);
        component.Low = bounds.Low;
        component.High = bounds.High;
    }
}

void ChannelTeachResult(ChannelDefinition& channel) {
    for (const ComponentFields& component : Components(channel)) {
        const ComponentPercent percent =
            TeachResult(component.Low, component.High, component.Tolerance);
        component.Setting = percent.Setting;
        component.Tolerance = percent.Tolerance;
    }
}

std::string FormatFirmware(unsigned major, unsigned minor) {
    std::string text;
    AppendDecimal(text, major);
    text += '.';
    if (minor < 10) {
        text += '0';
    }
    AppendDecimal(text, minor);
    return text;
}
