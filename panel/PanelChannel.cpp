#include "panel/PanelChannel.h"

void PanelChannel::Reset() {
    const int done = Done;
    *this = PanelChannel{};
    Done = done;
}

void PanelChannel::TakeFrom(const ChannelDefinition& sensor) {
    MatchOutput = static_cast<int>(sensor.MatchOutput);
    Enabled = static_cast<int>(sensor.Enabled);
    Mode = static_cast<int>(sensor.Mode);
    RedSetting = sensor.RedSetting;
    GreenSetting = sensor.GreenSetting;
    BlueSetting = sensor.BlueSetting;
    RedTolerance = sensor.RedTolerance;
    GreenTolerance = sensor.GreenTolerance;
    BlueTolerance = sensor.BlueTolerance;
    Luminosity = ChannelLuminosity(RedSetting, GreenSetting, BlueSetting);
}

bool PanelChannel::MatchesSensor(const ChannelDefinition& sensor) const {
    return MatchOutput == static_cast<int>(sensor.MatchOutput) &&
           Enabled == static_cast<int>(sensor.Enabled) && Mode == static_cast<int>(sensor.Mode) &&
           RedTolerance == sensor.RedTolerance && GreenTolerance == sensor.GreenTolerance &&
           BlueTolerance == sensor.BlueTolerance;
}

void PanelChannel::SetTolerance(std::size_t component, double tolerance) {
    double* const tolerances[] = {&RedTolerance, &GreenTolerance, &BlueTolerance};
    *tolerances[component] = tolerance;
}

double ChannelLuminosity(double red, double green, double blue) {
    return (red + green + blue) * (1.0 / 3.0);
}

int ToleranceStep(double tolerance) {
    return static_cast<int>(2.0 * tolerance + 0.5);
}

double StepTolerance(int step) {
    return step * 0.5;
}
