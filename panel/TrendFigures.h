#pragma once

#include <cstddef>

#include "panel/TrendView.h"
#include "quality/ReadingHistory.h"

// What the Trend window shows of a span of the history, for one channel.
struct TrendSelection {
    const CReadingHistory& History;
    std::size_t First = 0;                      // the span's oldest entry
    const ChannelDefinition* Channel = nullptr; // none: colours only, no bands or margins
    unsigned ChannelNumber = 0;                 // 1..15
    unsigned ModelCode = 0;
    double SpanMinutes = 5.0;
    unsigned Columns = 0; // the chart's pixel columns
};

// The chart's series, X in minutes before the newest entry, thinned to the pixel columns.
TrendChart BuildTrendChart(const TrendSelection& selection);
// The statistics table; "—" where a figure does not exist (σ of 0, no enabled channel, no
// readings). A margin the sensor's match output contradicts is marked.
TrendTable BuildTrendTable(const TrendSelection& selection);
