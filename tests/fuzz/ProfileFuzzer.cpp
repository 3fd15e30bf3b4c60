// Reads arbitrary text as a profile into a fifteen-channel window and stops at the first broken
// invariant: every value stays in the range the window can show and send, and what the values
// write reads back to the same written forms without a bad entry.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "FuzzCheck.h"
#include "profile/Profile.h"

namespace {

// A window that has read a fifteen-channel sensor.
ProfileValues Window() {
    ProfileValues values;
    values.ModelName = "Spectrel-15";
    values.ChannelCount = PROFILE_MAX_CHANNELS;
    values.AveragingIndex = 2;
    values.TriggeringIndex = 1;
    values.OutputDurationIndex = 4;
    values.Illumination = 80;
    values.Logging = {"SpectrelLog.csv", 1, 10};
    for (PanelChannel& channel : values.Channels) {
        channel.RedSetting = 40.0;
        channel.RedTolerance = 5.0;
    }
    return values;
}

void CheckRanges(const ProfileValues& values) {
    Require(values.AveragingIndex >= 0 && values.AveragingIndex <= 6, "averaging index");
    Require(values.TriggeringIndex >= 0 && values.TriggeringIndex <= 2, "triggering index");
    Require(values.OutputDurationIndex >= 0 && values.OutputDurationIndex <= 10, "delay index");
    Require(values.Illumination >= 0 && values.Illumination <= 100, "illumination");
    Require(values.Logging.Mode >= 0 && values.Logging.Mode <= 2, "log mode");
    Require(values.Logging.Interval >= 1 && values.Logging.Interval <= 100, "log interval");
    Require(values.Logging.FileName.size() <= 255, "a value fits 256 characters");
    for (const PanelChannel& channel : values.Channels) {
        Require(channel.Enabled == 0 || channel.Enabled == 1, "enabled");
        Require(channel.Mode == 0 || channel.Mode == 1, "mode");
        Require(channel.MatchOutput == 0 || channel.MatchOutput == 1, "match output");
        for (double setting : {channel.RedSetting, channel.GreenSetting, channel.BlueSetting}) {
            Require(InRange(setting, 0.0, 100.0), "setting");
        }
        for (double tolerance :
             {channel.RedTolerance, channel.GreenTolerance, channel.BlueTolerance}) {
            Require(InRange(tolerance, 0.5, 50.0), "tolerance");
        }
    }
}

std::vector<std::string> Texts(const ProfileValues& values) {
    std::vector<std::string> texts;
    for (const ProfileKeyText& key : ProfileKeys(values)) {
        texts.push_back(key.Text);
    }
    return texts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CIniStore file;
    file.SetText(std::string_view(reinterpret_cast<const char*>(data), size));
    ProfileValues values = Window();
    const std::vector<ProfileEntry> bad = ReadProfile(file, values);
    Require(bad.size() <= 7 + 9 * PROFILE_MAX_CHANNELS, "at most one report per key read");
    CheckRanges(values);

    // A log name the INI text cannot hold is refused by the store; anything else round-trips.
    CIniStore written;
    if (!WriteProfile(values, written)) {
        return 0;
    }
    CIniStore reread;
    reread.SetText(written.Text());
    ProfileValues again = Window();
    Require(ReadProfile(reread, again).empty(), "a written profile reads without bad entries");
    Require(Texts(again) == Texts(values), "a written profile reads back to the same texts");
    return 0;
}
