#pragma once

#include <functional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "cli/CtlOptions.h"
#include "cli/CtlSession.h"
#include "quality/ChannelColour.h"

// How safe each match is, in the client: `stats` takes a series of readings and prints their
// statistics, each enabled channel's capability and margins and the overlapping channels;
// `monitor --margins` appends the enabled channels' margins to each reading.

inline constexpr unsigned CTL_STATS_DEFAULT_COUNT = 100;

// Polls readings at the options' period and hands each to `each` until `count` have come, a
// stop is asked for (a normal end) or `each` returns false.
CtlOutcome PollReadings(CCtlSession& session, unsigned periodMs, unsigned count,
                        const std::function<bool(const CurrentReading&)>& each);

// Reads every channel of the model; `channels` then holds them, entry 0 channel 1.
CtlOutcome ReadModelChannels(CCtlSession& session, std::vector<ChannelDefinition>& channels);

CtlOutcome RunStats(CCtlSession& session, const CtlOptions& options, std::ostream& out);

// What stats found: the readings in raw counts and the channels they were compared with.
struct StatsFindings {
    std::vector<RawRgb> Readings;
    std::vector<ChannelDefinition> Channels; // entry 0 is channel 1
    unsigned OnlyChannel = 0;                // 0: every enabled channel
    unsigned ModelCode = 0;
};
std::string FormatStats(const StatsFindings& findings, bool json);

// A monitor line (ending in "\n", or a JSON object and "\n") with one margin per enabled
// channel appended: ",95.2,-3.0" to the plain line, "margins":[95.2,-3.0] to the object.
std::string WithMargins(const std::string& line, std::span<const ChannelDefinition> channels,
                        const CurrentReading& reading, bool json);
