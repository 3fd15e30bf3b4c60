#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "sim/SimConfig.h"

// One measurement as the sensor reports it: raw counts 0..RAW_FULL_SCALE per component.
struct RawColour {
    unsigned Red = 0, Green = 0, Blue = 0;
    bool operator==(const RawColour&) const = default;
};

struct ColourPercent {
    double Red = 0.0, Green = 0.0, Blue = 0.0;
};

// Percent of full scale to raw counts, rounded and clamped to 0..RAW_FULL_SCALE.
unsigned PercentToRaw(double percent);

// What the virtual sensor sees in front of it: a fixed target colour or a looping script of
// colours over time, measured with optional gaussian noise. The noise comes from a generator
// seeded at construction, so a run with the same seed and the same requests repeats exactly.
class ColourModel {
public:
    explicit ColourModel(const SimConfig& config);

    void SetTarget(double red, double green, double blue); // also ends a running script
    // Steps are held for their seconds in turn and the script starts over after the last.
    void SetScript(std::vector<SimTargetStep> steps);

    ColourPercent TargetAt(double elapsedSeconds) const;
    // Averaging 2^averaging samples narrows the noise by the square root of that count.
    RawColour Measure(double elapsedSeconds, unsigned averaging);

    double NoisePercent() const { return m_noisePercent; }
    bool FollowsScript() const { return !m_script.empty(); }

private:
    ColourPercent m_target;
    std::vector<SimTargetStep> m_script;
    double m_scriptSeconds = 0.0;
    double m_noisePercent = 0.0;
    std::mt19937_64 m_random;
    std::normal_distribution<double> m_gauss;
};
