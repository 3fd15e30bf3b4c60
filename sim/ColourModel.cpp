#include "sim/ColourModel.h"

#include <cmath>

#include "sensor/SensorRecords.h"

unsigned PercentToRaw(double percent) {
    const double raw = percent * 0.01 * RAW_FULL_SCALE + 0.5;
    if (!(raw > 0.0)) {
        return 0;
    }
    if (raw >= RAW_FULL_SCALE) {
        return RAW_FULL_SCALE;
    }
    return static_cast<unsigned>(raw);
}

ColourModel::ColourModel(const SimConfig& config)
    : m_target{config.TargetRed, config.TargetGreen, config.TargetBlue},
      m_noisePercent(config.NoisePercent), m_random(config.Seed) {
    SetScript(config.Script);
}

void ColourModel::SetTarget(double red, double green, double blue) {
    m_target = {red, green, blue};
    m_script.clear();
    m_scriptSeconds = 0.0;
}

void ColourModel::SetScript(std::vector<SimTargetStep> steps) {
    m_script = std::move(steps);
    m_scriptSeconds = 0.0;
    for (const SimTargetStep& step : m_script) {
        m_scriptSeconds += step.Seconds > 0.0 ? step.Seconds : 0.0;
    }
}

ColourPercent ColourModel::TargetAt(double elapsedSeconds) const {
    if (m_script.empty()) {
        return m_target;
    }
    // A script without positive durations cannot advance: it holds its first step.
    const SimTargetStep* current = &m_script.front();
    if (m_scriptSeconds > 0.0) {
        double into = std::fmod(elapsedSeconds > 0.0 ? elapsedSeconds : 0.0, m_scriptSeconds);
        for (const SimTargetStep& step : m_script) {
            current = &step;
            if (step.Seconds > 0.0 && into < step.Seconds) {
                break;
            }
            into -= step.Seconds > 0.0 ? step.Seconds : 0.0;
        }
    }
    return {current->Red, current->Green, current->Blue};
}

RawColour ColourModel::Measure(double elapsedSeconds, unsigned averaging) {
    ColourPercent colour = TargetAt(elapsedSeconds);
    if (m_noisePercent > 0.0) {
        const double spread =
            m_noisePercent / std::sqrt(std::ldexp(1.0, static_cast<int>(averaging)));
        colour.Red += spread * m_gauss(m_random);
        colour.Green += spread * m_gauss(m_random);
        colour.Blue += spread * m_gauss(m_random);
    }
    return {PercentToRaw(colour.Red), PercentToRaw(colour.Green), PercentToRaw(colour.Blue)};
}
