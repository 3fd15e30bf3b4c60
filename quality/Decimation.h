#pragma once

#include <span>
#include <vector>

// Thinning a long series for a chart: within one pixel column, more readings than one are drawn
// as their lowest and highest only, so an hour costs the chart what a minute does.

struct ChartPoint {
    double X = 0.0;
    double Y = 0.0;
    bool operator==(const ChartPoint&) const = default;
};

// `points` in non-decreasing X. Those within xFrom..xTo are split into `columns` equal columns;
// a column with one point keeps it, one with more keeps its minimum and maximum in the order
// they came (one point when they are the same). No columns or an empty range give nothing.
std::vector<ChartPoint> DecimateMinMax(std::span<const ChartPoint> points, double xFrom, double xTo,
                                       unsigned columns);
