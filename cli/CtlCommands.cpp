#include "cli/CtlCommands.h"

#include <array>
#include <vector>

#include "cli/CtlLog.h"
#include "cli/CtlOutput.h"
#include "cli/CtlStats.h"
#include "sensor/Protocol.h"

namespace {

using namespace std::chrono_literals;

std::string ChannelPhrase(std::string_view what, unsigned channel) {
    return std::string(what) + " channel " + std::to_string(channel);
}

// A channel number is checked against the model once the sensor has told which it is.

// The channel a change is made to: it must exist on this model, and it is read first, so the
// change starts from what the sensor holds.
CtlOutcome CheckAndReadChannel(CCtlSession& session, unsigned channel) {
    if (CtlOutcome outcome = CheckChannel(session.Sensor(), channel); !outcome.Done()) {
        return outcome;
    }
    return ReadChannel(session, channel);
}

CtlOutcome Identify(CCtlSession& session, const CtlOptions& options, std::ostream& out) {
    CtlOutcome outcome = ReadVersion(session);
    if (outcome.Done()) {
        out << FormatIdentity(IdentityOf(session.Sensor()), options.Json);
    }
    return outcome;
}

CtlOutcome Settings(CCtlSession& session, const CtlOptions& options, std::ostream& out) {
    CtlOutcome outcome = ReadSettings(session);
    if (outcome.Done()) {
        out << FormatSettings(SettingsOf(session.Sensor()), options.Json);
    }
    return outcome;
}

CtlOutcome Channels(CCtlSession& session, const CtlOptions& options, std::ostream& out) {
    const CSensor& sensor = session.Sensor();
    const unsigned first = options.Channel != 0 ? options.Channel : 1;
    const unsigned last =
        options.Channel != 0 ? options.Channel : ChannelCountOf(sensor.GetModelCode());
    if (CtlOutcome outcome = CheckChannel(sensor, last); !outcome.Done()) {
        return outcome;
    }
    std::vector<NumberedChannel> channels;
    for (unsigned channel = first; channel <= last; ++channel) {
        if (CtlOutcome outcome = ReadChannel(session, channel); !outcome.Done()) {
            return outcome;
        }
        channels.push_back(ChannelAsRead(sensor, channel));
    }
    out << FormatChannels(channels, options.Json);
    return {};
}

// Readings until the count is reached or a stop is asked for; a stop is a normal end here.
// With --margins the channels are read first, to compare each reading with.
CtlOutcome Monitor(CCtlSession& session, const CtlOptions& options, std::ostream& out) {
    std::vector<ChannelDefinition> channels;
    if (options.Margins) {
        if (CtlOutcome outcome = ReadModelChannels(session, channels); !outcome.Done()) {
            return outcome;
        }
    }
    return PollReadings(
        session, options.PeriodMs, options.Count, [&](const CurrentReading& reading) {
            const std::string line =
                FormatReading(std::chrono::system_clock::now(), reading, options.Json);
            out << (options.Margins ? WithMargins(line, channels, reading, options.Json) : line)
                << std::flush;
            return static_cast<bool>(out); // the reader went away (a pipe into head): no more
        });
}

CtlOutcome SetSettings(CCtlSession& session, const CtlOptions& options, std::ostream& out) {
    CSensor& sensor = session.Sensor();
    if (CtlOutcome outcome = ReadSettings(session); !outcome.Done()) {
        return outcome;
    }
    const SettingsChange& change = options.Settings;
    const SensorSettings read = SettingsOf(sensor);
    // Ambient subtraction is not the user's to change; it is sent as the sensor holds it.
    const SensorSettings wanted{
        change.Averaging.value_or(read.Averaging), change.Triggering.value_or(read.Triggering),
        change.OutputDelay.value_or(read.OutputDelay), read.AmbientSubtraction,
        change.Illumination.value_or(read.Illumination)};
    CtlOutcome outcome = SendSettings(session, wanted);
    if (outcome.Done()) {
        out << FormatSettings(SettingsOf(sensor), options.Json);
    }
    return outcome;
}

CtlOutcome SetChannel(CCtlSession& session, const CtlOptions& options, std::ostream& out) {
    CSensor& sensor = session.Sensor();
    const unsigned channel = options.Channel;
    if (CtlOutcome outcome = CheckAndReadChannel(session, channel); !outcome.Done()) {
        return outcome;
    }
    const ChannelDefinition c =
        MergeChannel(ChannelAsRead(sensor, channel).Channel, options.Values);
    CtlOutcome outcome = SendChannel(session, channel, c);
    if (outcome.Done()) {
        out << FormatChannel(ChannelAsRead(sensor, channel), options.Json);
    }
    return outcome;
}

// The tolerances the sensor did not take as asked, as the control panel reports them.
std::vector<ToleranceAdjustment> Adjustments(const ChannelDefinition& taught,
                                             const std::array<double, 3>& requested) {
    const std::array<ToleranceAdjustment, 3> now{{{"Red", taught.RedTolerance},
                                                  {"Green", taught.GreenTolerance},
                                                  {"Blue", taught.BlueTolerance}}};
    std::vector<ToleranceAdjustment> adjusted;
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (now[i].Tolerance != requested[i]) {
            adjusted.push_back(now[i]);
        }
    }
    return adjusted;
}

CtlOutcome Teach(CCtlSession& session, const CtlOptions& options, std::ostream& out) {
    CSensor& sensor = session.Sensor();
    const unsigned channel = options.Channel;
    if (CtlOutcome outcome = CheckAndReadChannel(session, channel); !outcome.Done()) {
        return outcome;
    }
    const ChannelDefinition c = ChannelAsRead(sensor, channel).Channel;
    const std::array<double, 3> tolerances{options.TeachTolerance.value_or(c.RedTolerance),
                                           options.TeachTolerance.value_or(c.GreenTolerance),
                                           options.TeachTolerance.value_or(c.BlueTolerance)};
    CtlOutcome outcome = session.Exchange(
        [&] {
            return sensor.TeachChannel(channel, c.MatchOutput, c.Enabled, c.Mode, tolerances[0],
                                       tolerances[1], tolerances[2]);
        },
        WM_SENSOR_TEACH, channel, ChannelPhrase("the teach of", channel));
    if (outcome.Done()) {
        const ChannelDefinition taught = sensor.GetChannel(channel);
        out << FormatChannel({channel, taught}, options.Json, Adjustments(taught, tolerances));
    }
    return outcome;
}

struct Component {
    double Setting;
    double Tolerance;
};

// Percentages from which a send computes exactly these bounds again: the midpoint and the
// half-width relative to it, neither clamped.
Component ExactPercent(unsigned low, unsigned high) {
    const double setting = static_cast<double>(low + high) * 50.0 / RAW_FULL_SCALE;
    const double halfWidth =
        (static_cast<double>(high) - static_cast<double>(low)) * 50.0 / RAW_FULL_SCALE;
    return {setting, setting != 0.0 ? halfWidth * 100.0 / setting : halfWidth};
}

void MergeComponent(unsigned low, unsigned high, double& setting, double& tolerance,
                    const std::optional<double>& newSetting,
                    const std::optional<double>& newTolerance) {
    if (!newSetting && !newTolerance) {
        const Component exact = ExactPercent(low, high);
        setting = exact.Setting;
        tolerance = exact.Tolerance;
        return;
    }
    setting = newSetting.value_or(setting);
    tolerance = newTolerance.value_or(tolerance);
}

} // namespace

SensorIdentity IdentityOf(const CSensor& sensor) {
    return {sensor.GetModelCode(), sensor.GetSerialNumber(), sensor.GetFirmwareMajor(),
            sensor.GetFirmwareMinor()};
}

// The channel as a read presents it: percentages derived from the raw bounds the sensor holds.
NumberedChannel ChannelAsRead(const CSensor& sensor, unsigned channel) {
    ChannelDefinition definition = sensor.GetChannel(channel);
    ChannelBoundsToPercent(definition);
    return {channel, definition};
}

CtlOutcome CheckChannel(const CSensor& sensor, unsigned channel) {
    const unsigned count = ChannelCountOf(sensor.GetModelCode());
    if (channel <= count) {
        return {};
    }
    const ModelInfo* model = FindModel(sensor.GetModelCode());
    return {CTL_EXIT_USAGE, "channel " + std::to_string(channel) + " does not exist: the " +
                                std::string(model != nullptr ? model->Name : "sensor") + " has " +
                                std::to_string(count) + " channel" + (count == 1 ? "" : "s")};
}

SensorSettings SettingsOf(const CSensor& sensor) {
    return {sensor.GetAveraging(), sensor.GetTriggering(), sensor.GetOutputDelay(),
            sensor.GetAmbientSubtraction(), sensor.GetIllumination()};
}

CtlOutcome ReadSettings(CCtlSession& session) {
    CSensor& sensor = session.Sensor();
    return session.Exchange([&] { return sensor.RequestSettings(); }, WM_SENSOR_SETTINGS,
                            std::nullopt, "the settings request");
}

CtlOutcome ReadChannel(CCtlSession& session, unsigned channel) {
    return session.ReadChannel(channel, ChannelPhrase("the request for", channel));
}

CtlOutcome ReadVersion(CCtlSession& session) {
    CSensor& sensor = session.Sensor();
    return session.Exchange([&] { return sensor.RequestVersion(); }, WM_SENSOR_VERSION,
                            std::nullopt, "the version request");
}

CtlOutcome SendSettings(CCtlSession& session, const SensorSettings& wanted) {
    CSensor& sensor = session.Sensor();
    return session.Exchange(
        [&] {
            return sensor.SendSettings(wanted.Averaging, wanted.Triggering, wanted.OutputDelay,
                                       wanted.AmbientSubtraction, wanted.Illumination);
        },
        WM_SENSOR_SETTINGS_SENT, std::nullopt, "the settings send");
}

CtlOutcome SendChannel(CCtlSession& session, unsigned channel, const ChannelDefinition& c) {
    CSensor& sensor = session.Sensor();
    return session.Exchange(
        [&] {
            return sensor.SendChannel(channel, c.MatchOutput, c.Enabled, c.Mode, c.RedSetting,
                                      c.GreenSetting, c.BlueSetting, c.RedTolerance,
                                      c.GreenTolerance, c.BlueTolerance);
        },
        WM_SENSOR_CHANNEL_SENT, channel, ChannelPhrase("the send of", channel));
}

unsigned ChannelCountOf(unsigned modelCode) {
    const ModelInfo* model = FindModel(modelCode);
    return model != nullptr ? model->Channels : CHANNEL_COUNT_MAX;
}

ChannelDefinition MergeChannel(const ChannelDefinition& read, const ChannelChange& change) {
    ChannelDefinition merged = read;
    merged.Enabled = change.Enabled.value_or(read.Enabled);
    merged.Mode = change.Mode.value_or(read.Mode);
    merged.MatchOutput = change.MatchOutput.value_or(read.MatchOutput);
    MergeComponent(read.RedLow, read.RedHigh, merged.RedSetting, merged.RedTolerance, change.Red,
                   change.RedTolerance);
    MergeComponent(read.GreenLow, read.GreenHigh, merged.GreenSetting, merged.GreenTolerance,
                   change.Green, change.GreenTolerance);
    MergeComponent(read.BlueLow, read.BlueHigh, merged.BlueSetting, merged.BlueTolerance,
                   change.Blue, change.BlueTolerance);
    return merged;
}

CtlOutcome RunCtlCommand(CCtlSession& session, const CtlOptions& options, std::ostream& out,
                         std::ostream& err) {
    switch (options.Command) {
    case CtlCommand::Identify:
        return Identify(session, options, out);
    case CtlCommand::Settings:
        return Settings(session, options, out);
    case CtlCommand::Channels:
        return Channels(session, options, out);
    case CtlCommand::Monitor:
        return Monitor(session, options, out);
    case CtlCommand::Stats:
        return RunStats(session, options, out);
    case CtlCommand::SetSettings:
        return SetSettings(session, options, out);
    case CtlCommand::SetChannel:
        return SetChannel(session, options, out);
    case CtlCommand::Teach:
        return Teach(session, options, out);
    case CtlCommand::Log:
        return RunLog(session, options, err);
    case CtlCommand::Backup:
    case CtlCommand::Restore:
    case CtlCommand::Diff:
    case CtlCommand::Publish:
        break;             // every sensor at once: RunProfileCommand, RunPublish
    case CtlCommand::Scan: // probes many devices and is run without a session of its own
    case CtlCommand::None:
        return {CTL_EXIT_USAGE, "no command given"};
    }
    return {CTL_EXIT_USAGE, "not a command for one session"};
}
