#include "cli/CtlStats.h"

#include "cli/CtlCommands.h"
#include "cli/CtlLog.h"
#include "cli/CtlOutput.h"
#include "cli/Json.h"
#include "common/NumberText.h"
#include "quality/Margin.h"
#include "quality/Overlap.h"
#include "quality/Statistics.h"
#include "sensor/Protocol.h"

namespace {

constexpr std::array<const char*, 3> COLOUR_KEYS = {"red", "green", "blue"};

std::string Fixed(double value, int decimals) {
    return FormatFixed(value, decimals);
}

std::string OptionalText(const std::optional<double>& value) {
    return value ? Fixed(*value, 2) : "-";
}

JsonValue OptionalJson(const std::optional<double>& value) {
    return value ? JsonValue(*value) : JsonValue(nullptr);
}

bool Reported(const StatsFindings& findings, std::size_t index) {
    return findings.Channels[index].Enabled != 0 &&
           (findings.OnlyChannel == 0 || findings.OnlyChannel == index + 1);
}

std::vector<double> MarginsOf(const StatsFindings& findings, const ChannelDefinition& channel) {
    std::vector<double> margins;
    for (const RawRgb& reading : findings.Readings) {
        margins.push_back(ChannelMargin(channel, reading));
    }
    return margins;
}

JsonValue ColoursJson(const std::array<SeriesStatistics, 3>& colours) {
    JsonValue object = JsonValue::object();
    for (unsigned c = 0; c < 3; ++c) {
        object[COLOUR_KEYS[c]] = {{"mean", colours[c].Mean},
                                  {"sd", colours[c].StandardDeviation},
                                  {"min", colours[c].Min},
                                  {"max", colours[c].Max}};
    }
    return object;
}

JsonValue ChannelJson(const StatsFindings& findings, std::size_t index) {
    const ChannelDefinition& channel = findings.Channels[index];
    const std::optional<MarginSummary> margin = SummariseMargins(MarginsOf(findings, channel));
    JsonValue object = {{"channel", index + 1}, {"mode", ModeWord(channel.Mode)}};
    object["margin"] =
        margin ? JsonValue{{"now", margin->Now}, {"min", margin->Min}, {"mean", margin->Mean}}
               : JsonValue(nullptr);
    const std::array<Capability, 3> capability = ChannelCapability(channel, findings.Readings);
    for (unsigned c = 0; c < 3; ++c) {
        object[COLOUR_KEYS[c]] = {{"cp", OptionalJson(capability[c].Cp)},
                                  {"cpk", OptionalJson(capability[c].Cpk)}};
    }
    return object;
}

std::string StatsJson(const StatsFindings& findings) {
    JsonValue channels = JsonValue::array();
    for (std::size_t index = 0; index < findings.Channels.size(); ++index) {
        if (Reported(findings, index)) {
            channels.push_back(ChannelJson(findings, index));
        }
    }
    JsonValue overlaps = JsonValue::array();
    for (const ChannelOverlap& overlap : FindOverlaps(findings.Channels)) {
        overlaps.push_back({overlap.First, overlap.Second});
    }
    const JsonValue object = {{"count", findings.Readings.size()},
                              {"colours", ColoursJson(ColourStatistics(findings.Readings))},
                              {"channels", channels},
                              {"overlaps", overlaps}};
    return JsonText(object) + "\n";
}

std::string ChannelText(const StatsFindings& findings, std::size_t index) {
    const ChannelDefinition& channel = findings.Channels[index];
    std::string text =
        "channel " + std::to_string(index + 1) + " (" + ModeWord(channel.Mode) + "): margin";
    if (const auto margin = SummariseMargins(MarginsOf(findings, channel))) {
        text += " now " + Fixed(margin->Now, 1) + " %, min " + Fixed(margin->Min, 1) + " %, mean " +
                Fixed(margin->Mean, 1) + " %\n";
    } else {
        text += " -\n";
    }
    const std::array<Capability, 3> capability = ChannelCapability(channel, findings.Readings);
    for (unsigned c = 0; c < 3; ++c) {
        text += std::string("  ") + COLOUR_KEYS[c] + " Cp " + OptionalText(capability[c].Cp) +
                ", Cpk " + OptionalText(capability[c].Cpk) + "\n";
    }
    return text;
}

std::string StatsText(const StatsFindings& findings) {
    std::string text = std::to_string(findings.Readings.size()) +
                       " readings (percent of full scale)\ncolour  mean    sd      min     max\n";
    const std::array<SeriesStatistics, 3> colours = ColourStatistics(findings.Readings);
    for (unsigned c = 0; c < 3; ++c) {
        std::string row = COLOUR_KEYS[c];
        for (const std::string& figure :
             {Fixed(colours[c].Mean, 1), Fixed(colours[c].StandardDeviation, 2),
              Fixed(colours[c].Min, 1), Fixed(colours[c].Max, 1)}) {
            row.resize(((row.size() + 7) / 8) * 8, ' ');
            row += figure;
        }
        text += row + "\n";
    }
    for (std::size_t index = 0; index < findings.Channels.size(); ++index) {
        if (Reported(findings, index)) {
            text += ChannelText(findings, index);
        }
    }
    for (const ChannelOverlap& overlap : FindOverlaps(findings.Channels)) {
        text += OverlapMessage(overlap, findings.ModelCode) + "\n";
    }
    return text;
}

} // namespace

CtlOutcome PollReadings(CCtlSession& session, unsigned periodMs, unsigned count,
                        const std::function<bool(const CurrentReading&)>& each) {
    CSensor& sensor = session.Sensor();
    if (!sensor.StartDataPolling(periodMs)) {
        return {CTL_EXIT_PORT, "cannot start polling"};
    }
    const auto limit = DataWaitLimit(periodMs);
    for (unsigned read = 0; count == 0 || read < count; ++read) {
        CtlOutcome outcome = session.Await(WM_SENSOR_DATA, std::nullopt, "the data request",
                                           CCtlSession::Clock::now() + limit);
        if (outcome.Exit == CTL_EXIT_INTERRUPTED) {
            break;
        }
        if (!outcome.Done()) {
            return outcome;
        }
        if (!each({sensor.GetRed(), sensor.GetGreen(), sensor.GetBlue(), sensor.GetMatchStatus(),
                   sensor.GetReadingTime()})) {
            break;
        }
    }
    sensor.StopDataPolling();
    return {};
}

CtlOutcome ReadModelChannels(CCtlSession& session, std::vector<ChannelDefinition>& channels) {
    const unsigned count = ChannelCountOf(session.Sensor().GetModelCode());
    channels.clear();
    for (unsigned channel = 1; channel <= count; ++channel) {
        if (CtlOutcome outcome = ReadChannel(session, channel); !outcome.Done()) {
            return outcome;
        }
        channels.push_back(session.Sensor().GetChannel(channel));
    }
    return {};
}

CtlOutcome RunStats(CCtlSession& session, const CtlOptions& options, std::ostream& out) {
    StatsFindings findings;
    findings.ModelCode = session.Sensor().GetModelCode();
    findings.OnlyChannel = options.Channel;
    if (CtlOutcome outcome = CheckChannel(session.Sensor(), options.Channel); !outcome.Done()) {
        return outcome;
    }
    if (CtlOutcome outcome = ReadModelChannels(session, findings.Channels); !outcome.Done()) {
        return outcome;
    }
    const unsigned count = options.Count != 0 ? options.Count : CTL_STATS_DEFAULT_COUNT;
    CtlOutcome outcome =
        PollReadings(session, options.PeriodMs, count, [&](const CurrentReading& reading) {
            findings.Readings.push_back(RawOfReading(reading));
            return true;
        });
    if (outcome.Done()) {
        out << FormatStats(findings, options.Json);
    }
    return outcome;
}

std::string FormatStats(const StatsFindings& findings, bool json) {
    return json ? StatsJson(findings) : StatsText(findings);
}

std::string WithMargins(const std::string& line, std::span<const ChannelDefinition> channels,
                        const CurrentReading& reading, bool json) {
    std::vector<std::string> margins;
    for (const double margin : EnabledChannelMargins(channels, RawOfReading(reading))) {
        margins.push_back(Fixed(margin, 1));
    }
    const std::size_t end = line.find_last_of(json ? '}' : '\n');
    if (end == std::string::npos) {
        return line;
    }
    // Each margin with the one decimal the plain line shows, in JSON as in text.
    std::string added;
    for (const std::string& margin : margins) {
        added += (json && added.empty() ? "" : ",") + margin;
    }
    if (json) {
        added = ",\"margins\":[" + added + "]";
    }
    return line.substr(0, end) + added + line.substr(end);
}
