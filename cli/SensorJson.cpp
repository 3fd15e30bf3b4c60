#include "cli/SensorJson.h"

#include <ctime>

#include "common/IsoTime.h"
#include "logging/LogRecord.h"

namespace {} // namespace

JsonValue IdentityJson(const SensorIdentity& identity) {
    const ModelInfo* model = FindModel(identity.ModelCode);
    return {{"model", identity.ModelCode},
            {"name", ModelName(identity.ModelCode)},
            {"channels", ModelChannels(identity.ModelCode)},
            {"logging", model != nullptr && model->DataLogging},
            {"serial", identity.SerialNumber},
            {"firmware", FormatFirmware(identity.FirmwareMajor, identity.FirmwareMinor)}};
}

JsonValue SettingsJson(const SensorSettings& settings) {
    return {{"averaging", AveragingSamples(settings)},
            {"triggering", TriggeringWord(settings.Triggering)},
            {"delay", OutputDelayMs(settings)},
            {"illumination", settings.Illumination},
            {"ambient_subtraction", settings.AmbientSubtraction != 0}};
}

JsonValue ChannelJson(const NumberedChannel& numbered) {
    const ChannelDefinition& c = numbered.Channel;
    return {{"channel", numbered.Number},
            {"enabled", c.Enabled != 0},
            {"mode", ModeWord(c.Mode)},
            {"output", OutputWord(c.MatchOutput)},
            {"red", c.RedSetting},
            {"green", c.GreenSetting},
            {"blue", c.BlueSetting},
            {"red_tolerance", c.RedTolerance},
            {"green_tolerance", c.GreenTolerance},
            {"blue_tolerance", c.BlueTolerance},
            {"red_low", c.RedLow},
            {"red_high", c.RedHigh},
            {"green_low", c.GreenLow},
            {"green_high", c.GreenHigh},
            {"blue_low", c.BlueLow},
            {"blue_high", c.BlueHigh}};
}

JsonValue ChannelsJson(const std::vector<NumberedChannel>& channels) {
    JsonValue array = JsonValue::array();
    for (const NumberedChannel& channel : channels) {
        array.push_back(ChannelJson(channel));
    }
    return array;
}

JsonValue ReadingJson(std::chrono::system_clock::time_point time, const CurrentReading& reading) {
    const std::tm local = LocalTimeOf(std::chrono::system_clock::to_time_t(time));
    return {{"time", IsoTime(local, time)},
            {"red", reading.Red},
            {"green", reading.Green},
            {"blue", reading.Blue},
            {"match", reading.MatchStatus}};
}
