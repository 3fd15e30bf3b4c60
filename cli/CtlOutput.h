#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "sensor/SensorRecords.h"

// What spectrelctl prints: plain text for people, or JSON for scripts. Every text ends with a
// line feed; numbers never depend on the locale.

struct NumberedChannel {
    unsigned Number; // 1..15
    ChannelDefinition Channel;
};

// A tolerance the sensor did not take as requested (teach).
struct ToleranceAdjustment {
    const char* Colour; // "Red", "Green", "Blue"
    double Tolerance;   // what the channel now holds
};

std::string FormatIdentity(const SensorIdentity& identity, bool json);
std::string FormatSettings(const SensorSettings& settings, bool json);
// A table with a header line, or a JSON array.
std::string FormatChannels(const std::vector<NumberedChannel>& channels, bool json);
// One channel after a send or a teach: the table with one row, or one JSON object, which for
// a teach carries the adjusted tolerances too.
std::string FormatChannel(const NumberedChannel& channel, bool json,
                          const std::vector<ToleranceAdjustment>& adjusted = {});
// One reading. Text: the record of the control panel's data log ("%m/%d/%Y %I:%M:%S %p,"
// local time, then red, green, blue as "%4.1f" and the match status as "%02X"). JSON: one
// object per line with the local time in ISO 8601 (milliseconds and UTC offset).
std::string FormatReading(std::chrono::system_clock::time_point time, const CurrentReading& reading,
                          bool json);

// Text from a sensor or a file, safe on a terminal: each control character as "\xNN", so an
// escape sequence in a serial number cannot move the cursor or change colours.
std::string EscapedText(std::string_view text);

// "%4.1f" without the locale: " 5.0", "40.0", "100.0".
std::string FormatPercentText(double value);

// The model's name from the model table, "unknown" for a code that names none.
std::string ModelName(unsigned modelCode);
// Its channel count; every addressable channel for a code that names no model.
unsigned ModelChannels(unsigned modelCode);

// The settings in the units the command line takes: samples and milliseconds.
unsigned AveragingSamples(const SensorSettings& settings);
unsigned OutputDelayMs(const SensorSettings& settings);

// The words of the command line for the channel fields and triggering.
const char* ModeWord(unsigned mode);
const char* OutputWord(unsigned matchOutput);
std::string TriggeringWord(unsigned triggering); // the number itself beyond edge
