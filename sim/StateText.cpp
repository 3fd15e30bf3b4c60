#include "sim/StateText.h"

#include "common/NumberText.h"
#include "sensor/Protocol.h"

namespace {

std::string Hex4(unsigned value) {
    return FormatHex(value, 4);
}

std::string OnOff(bool on) {
    return on ? "on" : "off";
}

std::string DescribeChannel(unsigned number, const ChannelDefinition& channel) {
    return "channel " + std::to_string(number) + ": " +
           (channel.Enabled != 0 ? "enabled" : "disabled") + ", " +
           (channel.Mode == MODE_COLOR_LUMINOSITY ? "colour+luminosity" : "colour only") +
           ", output " + (channel.MatchOutput == OUTPUT_HIGH ? "high" : "low") + ", red " +
           Hex4(channel.RedLow) + "-" + Hex4(channel.RedHigh) + " green " + Hex4(channel.GreenLow) +
           "-" + Hex4(channel.GreenHigh) + " blue " + Hex4(channel.BlueLow) + "-" +
           Hex4(channel.BlueHigh) + "\n";
}

} // namespace

std::string DescribeSensor(const SensorResponder& responder, double elapsedSeconds) {
    const SensorIdentity& identity = responder.Identity();
    const ModelInfo* model = FindModel(identity.ModelCode);
    std::string text = "model " + std::to_string(identity.ModelCode) + " (" +
                       (model != nullptr ? model->Name : "unknown") + "), serial '" +
                       identity.SerialNumber + "', firmware " +
                       FormatFirmware(identity.FirmwareMajor, identity.FirmwareMinor) + "\n";
    const ColourPercent target = responder.Colour().TargetAt(elapsedSeconds);
    text += "target " + FormatFixed(target.Red, 1) + " " + FormatFixed(target.Green, 1) + " " +
            FormatFixed(target.Blue, 1) + " %" +
            (responder.Colour().FollowsScript() ? " (script)" : "") + ", noise " +
            FormatFixed(responder.Colour().NoisePercent(), 2) + " %\n";
    const SensorSettings& settings = responder.Settings();
    text += "settings: averaging " + std::to_string(settings.Averaging) + ", triggering " +
            std::to_string(settings.Triggering) + ", output delay " +
            std::to_string(settings.OutputDelay) + ", ambient subtraction " +
            OnOff(settings.AmbientSubtraction != 0) + ", illumination " +
            std::to_string(settings.Illumination) + " %\n";
    for (unsigned number = 1; number <= responder.ChannelCount(); ++number) {
        text += DescribeChannel(number, responder.Channel(number));
    }
    return text;
}

std::string DescribeFaults(const SimFaults& faults) {
    return "faults: drop " + FormatFixed(faults.DropReplyProbability, 2) + ", error " +
           FormatFixed(faults.ErrorReplyProbability, 2) + ", garbage " + OnOff(faults.GarbageLine) +
           ", split " + OnOff(faults.SplitReply) + " (gap " + std::to_string(faults.SplitGapMs) +
           " ms), join " + OnOff(faults.JoinReplies) + "\n";
}
