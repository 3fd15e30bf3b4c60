#include "panel/TrendFigures.h"

#include <chrono>
#include <optional>
#include <vector>

#include "common/NumberText.h"
#include "quality/Margin.h"
#include "quality/Statistics.h"

namespace {

constexpr const char* NO_FIGURE = "\u2014";

double MinutesBefore(const HistoryEntry& entry, const HistoryEntry& newest) {
    return std::chrono::duration<double, std::ratio<60>>(entry.Arrival - newest.Arrival).count();
}

double ToPercent(double raw) {
    return raw * 100.0 / RAW_FULL_SCALE;
}

std::optional<std::array<TrendBand, 3>> BandsOf(const ChannelDefinition* channel) {
    if (channel == nullptr || channel->Enabled == 0) {
        return std::nullopt;
    }
    const RawBox box = BoxOfChannel(*channel);
    std::array<TrendBand, 3> bands{};
    for (unsigned c = 0; c < 3; ++c) {
        bands[c] = {ToPercent(box.Low[c]), ToPercent(box.High[c])};
    }
    return bands;
}

bool HasMargin(const TrendSelection& selection) {
    return selection.Channel != nullptr && selection.Channel->Enabled != 0;
}

std::vector<ChartPoint> Thinned(const std::vector<ChartPoint>& points,
                                const TrendSelection& selection) {
    return DecimateMinMax(points, -selection.SpanMinutes, 0.0, selection.Columns);
}

std::vector<RawRgb> SpanColours(const TrendSelection& selection) {
    std::vector<RawRgb> colours;
    for (std::size_t index = selection.First; index < selection.History.Size(); ++index) {
        colours.push_back(RawOfEntry(selection.History.At(index)));
    }
    return colours;
}

std::vector<double> SpanMargins(const TrendSelection& selection) {
    std::vector<double> margins;
    if (HasMargin(selection)) {
        for (std::size_t index = selection.First; index < selection.History.Size(); ++index) {
            margins.push_back(
                ChannelMargin(*selection.Channel, RawOfEntry(selection.History.At(index))));
        }
    }
    return margins;
}

std::string Figure(std::optional<double> value, int decimals) {
    return value ? FormatFixed(*value, decimals) : NO_FIGURE;
}

std::string MarginNow(const TrendSelection& selection, double margin) {
    const HistoryEntry& newest = selection.History.At(selection.History.Size() - 1);
    std::string text = FormatFixed(margin, 1);
    if (MarginDisagrees(margin, newest.MatchStatus, selection.ChannelNumber, selection.ModelCode)) {
        text += margin >= 0.0 ? " (sensor: no match)" : " (sensor: match)";
    }
    return text;
}

} // namespace

TrendChart BuildTrendChart(const TrendSelection& selection) {
    TrendChart chart;
    chart.SpanMinutes = selection.SpanMinutes;
    chart.Bands = BandsOf(selection.Channel);
    const CReadingHistory& history = selection.History;
    if (selection.First >= history.Size()) {
        return chart;
    }
    const HistoryEntry& newest = history.At(history.Size() - 1);
    std::array<std::vector<ChartPoint>, 3> colours;
    std::vector<ChartPoint> margins;
    std::vector<ChartPoint> disagreements;
    std::optional<bool> matched;
    for (std::size_t index = selection.First; index < history.Size(); ++index) {
        const HistoryEntry& entry = history.At(index);
        const double x = MinutesBefore(entry, newest);
        for (unsigned c = 0; c < 3; ++c) {
            colours[c].push_back({x, ToPercent(entry.Raw[c])});
        }
        if (!HasMargin(selection)) {
            continue;
        }
        const double margin = ChannelMargin(*selection.Channel, RawOfEntry(entry));
        margins.push_back({x, margin});
        const bool now =
            StatusMatchesChannel(entry.MatchStatus, selection.ChannelNumber, selection.ModelCode);
        if (matched && *matched != now) {
            chart.MatchChanges.push_back({x, margin});
        }
        matched = now;
        if (MarginDisagrees(margin, entry.MatchStatus, selection.ChannelNumber,
                            selection.ModelCode)) {
            disagreements.push_back({x, margin});
        }
    }
    for (unsigned c = 0; c < 3; ++c) {
        chart.Colours[c] = Thinned(colours[c], selection);
    }
    chart.Margin = Thinned(margins, selection);
    chart.Disagreements = Thinned(disagreements, selection);
    return chart;
}

TrendTable BuildTrendTable(const TrendSelection& selection) {
    TrendTable table;
    const std::vector<RawRgb> colours = SpanColours(selection);
    const std::array<SeriesStatistics, 3> statistics = ColourStatistics(colours);
    std::array<Capability, 3> capability{};
    if (HasMargin(selection)) {
        capability = ChannelCapability(*selection.Channel, colours);
    }
    for (unsigned c = 0; c < 3; ++c) {
        const SeriesStatistics& figures = statistics[c];
        const bool any = figures.Count > 0;
        auto shown = [any](double value, int decimals) {
            return any ? FormatFixed(value, decimals) : std::string(NO_FIGURE);
        };
        table.Colours[c] = {std::to_string(figures.Count),
                            shown(figures.Mean, 1),
                            figures.Count > 1 ? FormatFixed(figures.StandardDeviation, 2)
                                              : std::string(NO_FIGURE),
                            shown(figures.Min, 1),
                            shown(figures.Max, 1),
                            Figure(capability[c].Cp, 2),
                            Figure(capability[c].Cpk, 2)};
    }
    const std::vector<double> margins = SpanMargins(selection);
    const std::optional<MarginSummary> summary = SummariseMargins(margins);
    table.Margin.fill(NO_FIGURE);
    if (summary) {
        table.Margin = {MarginNow(selection, summary->Now), FormatFixed(summary->Min, 1),
                        FormatFixed(summary->Mean, 1)};
    }
    return table;
}
