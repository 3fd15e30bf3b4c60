#pragma once

#include <cstddef>

#include "sensor/SensorRecords.h"

// The window's own copy of one channel, edited by the channel panel and compared with the
// sensor's copy to decide which buttons make sense.
struct PanelChannel {
    int Enabled = 0;
    int Mode = MODE_COLOR_ONLY;
    double RedSetting = 0.0, GreenSetting = 0.0, BlueSetting = 0.0;
    double RedTolerance = 0.5, GreenTolerance = 0.5, BlueTolerance = 0.5;
    double Luminosity = 0.0; // mean of the three settings
    int MatchOutput = OUTPUT_HIGH;
    int Done = 0; // this channel's reply of the running read-all chain has been handled

    // Back to the empty channel; the done flag belongs to the running chain and stays.
    void Reset();
    // Takes the sensor's flags, settings and tolerances; the luminosity is recomputed.
    void TakeFrom(const ChannelDefinition& sensor);
    // The channel as a send writes it: flags, settings and tolerances, and the raw bounds they
    // give.
    ChannelDefinition ToSensor() const;
    // A send would write nothing: every field of it, colours included, encodes to what the
    // sensor's copy holds. Values that differ by less than the wire can carry count as equal.
    bool MatchesSensor(const ChannelDefinition& sensor) const;
    // The tolerance of component 0, 1 or 2 (red, green, blue).
    void SetTolerance(std::size_t component, double tolerance);

    bool operator==(const PanelChannel&) const = default;
};

// (red + green + blue) * (1/3), the luminosity the panel shows for a channel.
double ChannelLuminosity(double red, double green, double blue);
// The tolerance spins run over these half-percent steps: 0.5 % to 50.0 %.
inline constexpr int MIN_TOLERANCE_STEP = 1;
inline constexpr int MAX_TOLERANCE_STEP = 100;
// A tolerance in the spin controls' half-percent steps: the nearest half percent, a quarter up.
int ToleranceStep(double tolerance);
// The tolerance a spin step stands for.
double StepTolerance(int step);
