#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// Raw colour values run from 0 to 1023 * 64; that value is 100 percent.
inline constexpr unsigned RAW_FULL_SCALE = 65472;

struct SensorIdentity {
    unsigned ModelCode = 0;
    std::string SerialNumber;
    unsigned FirmwareMajor = 0;
    unsigned FirmwareMinor = 0;
};

struct SensorSettings {
    unsigned Averaging = 0;          // 2^index samples
    unsigned Triggering = 0;         // 0 FreeRun, 1 Level, 2 Edge
    unsigned OutputDelay = 0;        // index * 10 ms
    unsigned AmbientSubtraction = 0; // 1 = on (inverted on the wire)
    unsigned Illumination = 0;       // percent

    bool operator==(const SensorSettings&) const = default;
};

enum TriggerMode : unsigned { TRIGGER_FREE_RUN = 0, TRIGGER_LEVEL = 1, TRIGGER_EDGE = 2 };
enum ChannelMode : unsigned { MODE_COLOR_LUMINOSITY = 0, MODE_COLOR_ONLY = 1 };
enum MatchOutputLevel : unsigned { OUTPUT_HIGH = 0, OUTPUT_LOW = 1 };

struct ChannelDefinition {
    unsigned MatchOutput = OUTPUT_HIGH;
    unsigned Enabled = 0;
    unsigned Mode = MODE_COLOR_ONLY;
    unsigned RedLow = 0, RedHigh = 0;
    unsigned GreenLow = 0, GreenHigh = 0;
    unsigned BlueLow = 0, BlueHigh = 0;
    double RedSetting = 0.0, GreenSetting = 0.0, BlueSetting = 0.0;
    double RedTolerance = 0.0, GreenTolerance = 0.0, BlueTolerance = 0.0;
};

struct CurrentReading {
    double Red = 0.0, Green = 0.0, Blue = 0.0;
    unsigned MatchStatus = 0;
    // The time of day the reply arrived (0 before any): a reading shown or logged later, when
    // the window gets to it, still carries the moment it was measured.
    std::time_t Time = 0;
};

// One row of the model table. Codes 11 to 13 name no model (FindModel gives nullptr).
struct ModelInfo {
    unsigned Code;
    const char* Name;
    unsigned Channels;
    bool DataLogging;
};

const ModelInfo* FindModel(unsigned modelCode);
// Codes 9 and 15: one recognised channel number instead of a bit mask.
bool IsFifteenChannelModel(unsigned modelCode);

// Raw value to percent of full scale, unclamped (0xFFFF reads about 100.1).
double RawToPercent(unsigned raw);

// Raw bounds of one colour component to the user's view: midpoint setting (0..100) and
// tolerance (0.5..50, percent of the setting).
struct ComponentPercent {
    double Setting;
    double Tolerance;
};
ComponentPercent BoundsToPercent(unsigned low, unsigned high);

// The user's setting and tolerance of one component to raw bounds, clamped to 0..65472.
struct ComponentBounds {
    unsigned Low;
    unsigned High;
    bool operator==(const ComponentBounds&) const = default;
};
ComponentBounds PercentToBounds(double setting, double tolerance);

// A tolerance as a teach command carries it: percent * 10000, rounded (50 % is 500000).
std::uint32_t ScaleTeachTolerance(double tolerance);

// New raw bounds from a teach reply: returns the new setting (unclamped) and keeps the stored
// tolerance when a send would reproduce these bounds, else derives it from them (0.5..50).
ComponentPercent TeachResult(unsigned low, unsigned high, double storedTolerance);

// Channel-wide forms of the conversions above, applied to all three components.
void ChannelBoundsToPercent(ChannelDefinition& channel);
void ChannelPercentToBounds(ChannelDefinition& channel);
void ChannelTeachResult(ChannelDefinition& channel);

// "%d.%02d": major 1, minor 5 reads "1.05".
std::string FormatFirmware(unsigned major, unsigned minor);
