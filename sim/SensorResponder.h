#pragma once

#include <string>
#include <string_view>

#include "sensor/SensorRecords.h"
#include "sim/ColourMatch.h"
#include "sim/ColourModel.h"
#include "sim/SimConfig.h"

// A serial number as the identity reply carries it: 16 printable characters, no blanks.
bool IsValidSerialNumber(std::string_view serial);

// The sensor's side of the line protocol, without any line: one command in (without its CR),
// the reply out (without its CR; empty when the sensor says nothing). Holds what a sensor
// holds: identity, settings, fifteen channels (flags and raw bounds) and what it measures.
//
// Commands are read strictly: every field either empty (sends and teach flags only: "keep")
// or written with exactly its number of hex digits, and within its range. Anything else is
// answered "?" and changes nothing.
class SensorResponder {
public:
    explicit SensorResponder(const SimConfig& config);

    // elapsedSeconds: time since the sensor started, for a target that follows a script.
    std::string Respond(std::string_view command, double elapsedSeconds = 0.0);

    const SensorIdentity& Identity() const { return m_identity; }
    const SensorSettings& Settings() const { return m_settings; }
    const ChannelDefinition& Channel(unsigned channel) const; // 1..15
    unsigned ChannelCount() const;                            // of the current model
    ColourModel& Colour() { return m_colour; }
    const ColourModel& Colour() const { return m_colour; }
    unsigned TeachMinHalfWidth() const { return m_teachMinHalfWidth; }

    // The identity reply always carries 16 characters: a shorter serial number is padded with
    // blanks, a longer one cut, characters outside printable ASCII replaced by '_'.
    void SetSerialNumber(std::string_view serial);
    void SetModelCode(unsigned modelCode); // 0..15

    std::string IdentityReply() const;

private:
    std::string SettingsReply() const;
    std::string ChannelReply(unsigned index) const;
    std::string DataReply(double elapsedSeconds);
    std::string VersionReply() const;
    std::string SendSettings(std::string_view fields);
    std::string SendChannel(std::string_view fields);
    std::string Teach(std::string_view fields, double elapsedSeconds);

    SensorIdentity m_identity;
    SensorSettings m_settings;
    ChannelTable m_channels;
    ColourModel m_colour;
    unsigned m_teachMinHalfWidth;
};
