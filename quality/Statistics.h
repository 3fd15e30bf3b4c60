#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>

#include "quality/ChannelColour.h"

// Figures over a series of readings, as the Trend window's table and the client's statistics
// show them.

struct SeriesStatistics {
    std::size_t Count = 0;
    double Mean = 0.0;
    double StandardDeviation = 0.0; // sample deviation (n - 1); 0 below two values
    double Min = 0.0;
    double Max = 0.0;
};

// An empty series gives Count 0 and zeros.
SeriesStatistics DescribeSeries(std::span<const double> values);

// Per colour (QUALITY_RED...), in percent of full scale, of readings held in raw counts.
std::array<SeriesStatistics, 3> ColourStatistics(std::span<const RawRgb> readings);

// Process capability against a channel's bounds: Cp = (high - low) / 6σ and
// Cpk = min(high - mean, mean - low) / 3σ. Absent when σ is 0 (or fewer than two readings).
struct Capability {
    std::optional<double> Cp;
    std::optional<double> Cpk;
};

// Per colour, the readings compared as the channel compares them ("Color only" scaled).
std::array<Capability, 3> ChannelCapability(const ChannelDefinition& channel,
                                            std::span<const RawRgb> readings);

struct MarginSummary {
    double Now = 0.0; // the newest
    double Min = 0.0;
    double Mean = 0.0;
};

// Margins oldest first; absent for an empty series.
std::optional<MarginSummary> SummariseMargins(std::span<const double> margins);
