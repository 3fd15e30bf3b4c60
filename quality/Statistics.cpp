#include "quality/Statistics.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

std::vector<double> ColourSeries(std::span<const RawRgb> readings, unsigned colour, double scale) {
    std::vector<double> series;
    series.reserve(readings.size());
    for (const RawRgb& reading : readings) {
        series.push_back(reading[colour] * scale);
    }
    return series;
}

Capability CapabilityOf(const SeriesStatistics& stats, double low, double high) {
    const double sigma = stats.StandardDeviation;
    if (!(sigma > 0.0)) {
        return {};
    }
    return {(high - low) / (6.0 * sigma),
            std::min(high - stats.Mean, stats.Mean - low) / (3.0 * sigma)};
}

} // namespace

SeriesStatistics DescribeSeries(std::span<const double> values) {
    SeriesStatistics stats;
    stats.Count = values.size();
    if (values.empty()) {
        return stats;
    }
    const auto [min, max] = std::minmax_element(values.begin(), values.end());
    stats.Min = *min;
    stats.Max = *max;
    stats.Mean = std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
    if (values.size() > 1) {
        // Two passes: deviations from the mean keep their digits where a running sum of
        // squares of values near 65472 would lose them.
        double squares = 0.0;
        for (const double value : values) {
            squares += (value - stats.Mean) * (value - stats.Mean);
        }
        stats.StandardDeviation = std::sqrt(squares / double(values.size() - 1));
    }
    return stats;
}

std::array<SeriesStatistics, 3> ColourStatistics(std::span<const RawRgb> readings) {
    std::array<SeriesStatistics, 3> stats;
    for (unsigned c = 0; c < 3; ++c) {
        stats[c] = DescribeSeries(ColourSeries(readings, c, 100.0 / RAW_FULL_SCALE));
    }
    return stats;
}

std::array<Capability, 3> ChannelCapability(const ChannelDefinition& channel,
                                            std::span<const RawRgb> readings) {
    std::vector<RawRgb> compared;
    compared.reserve(readings.size());
    for (const RawRgb& reading : readings) {
        compared.push_back(ComparedColour(channel, reading));
    }
    const RawBox box = BoxOfChannel(channel);
    std::array<Capability, 3> capability;
    for (unsigned c = 0; c < 3; ++c) {
        capability[c] =
            CapabilityOf(DescribeSeries(ColourSeries(compared, c, 1.0)), box.Low[c], box.High[c]);
    }
    return capability;
}

std::optional<MarginSummary> SummariseMargins(std::span<const double> margins) {
    if (margins.empty()) {
        return std::nullopt;
    }
    const SeriesStatistics stats = DescribeSeries(margins);
    return MarginSummary{margins.back(), stats.Min, stats.Mean};
}
