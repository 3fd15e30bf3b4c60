#pragma once

#include <cstddef>
#include <string>

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

struct TrendFigures {
    TrendChart Chart;
    TrendTable Table;
};

// In one pass over the span: the chart's series, X in minutes before the newest entry, thinned
// to the pixel columns; and the statistics table, "—" where a figure does not exist (σ of 0,
// no enabled channel, no readings), a margin the sensor's match output contradicts marked.
TrendFigures BuildTrendFigures(const TrendSelection& selection);

// The table's "margin now" of the newest entry ("—" without an enabled channel or readings),
// and its note where the sensor's match output contradicts it.
void ShowMarginNow(const TrendSelection& selection, TrendTable& table);
