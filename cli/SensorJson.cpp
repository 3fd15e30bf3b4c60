#include "cli/SensorJson.h"

#include <array>
#include <cstdio>
#include <ctime>

#include "logging/LogRecord.h"

namespace {

std::string TwoDigits(int value) {
    std::array<char, 16> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%02d", value);
    return buffer.data();
}

std::string IsoTime(const std::tm& local, std::chrono::system_clock::time_point time) {
    const auto sinceEpoch = time.time_since_epoch();
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch) -
                              std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
    std::array<char, 8> fraction{};
    std::snprintf(fraction.data(), fraction.size(), ".%03d",
                  static_cast<int>(milliseconds.count()));
    const long offsetMinutes = local.tm_gmtoff / 60;
    const long absolute = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    return std::to_string(local.tm_year + 1900) + "-" + TwoDigits(local.tm_mon + 1) + "-" +
           TwoDigits(local.tm_mday) + "T" + TwoDigits(local.tm_hour) + ":" +
           TwoDigits(local.tm_min) + ":" + TwoDigits(local.tm_sec) + fraction.data() +
           (offsetMinutes < 0 ? "-" : "+") + TwoDigits(static_cast<int>(absolute / 60)) + ":" +
           TwoDigits(static_cast<int>(absolute % 60));
}

} // namespace

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
