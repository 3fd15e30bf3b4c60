#include "profile/PanelChannel.h"

#include "sensor/Protocol.h"

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

ChannelDefinition PanelChannel::ToSensor() const {
    ChannelDefinition channel;
    channel.MatchOutput = static_cast<unsigned>(MatchOutput);
    channel.Enabled = static_cast<unsigned>(Enabled);
    channel.Mode = static_cast<unsigned>(Mode);
    channel.RedSetting = RedSetting;
    channel.GreenSetting = GreenSetting;
    channel.BlueSetting = BlueSetting;
    channel.RedTolerance = RedTolerance;
    channel.GreenTolerance = GreenTolerance;
    channel.BlueTolerance = BlueTolerance;
    ChannelPercentToBounds(channel);
    return channel;
}

// The codec decides, field by field, exactly as it does for the send itself; the channel
// number plays no part in which fields differ.
bool PanelChannel::MatchesSensor(const ChannelDefinition& sensor) const {
    constexpr unsigned ANY_CHANNEL = 1;
    ChannelDefinition held = sensor;
    return BuildSendChannel(ANY_CHANNEL, ToSensor(), held).empty();
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
