#include "panel/TrendFigures.h"

#include <chrono>
#include <optional>
#include <vector>

#include "common/NumberText.h"
#include "quality/Margin.h"
#include "quality/Statistics.h"

namespace {

constexpr const char* NO_FIGURE = "\u2014";

// The span's readings as the chart and the table take them.
struct SpanSeries {
    std::vector<RawRgb> Colours;
    std::array<std::vector<ChartPoint>, 3> Points;
    std::vector<double> Margins;
    std::vector<ChartPoint> MarginPoints;
};

double MinutesBefore(const HistoryEntry& entry, const HistoryEntry& newest) {
    return std::chrono::duration<double, std::ratio<60>>(entry.Arrival - newest.Arrival).count();
}

double ToPercent(double raw) {
    return raw * 100.0 / RAW_FULL_SCALE;
}

bool HasMargin(const TrendSelection& selection) {
    return selection.Channel != nullptr && selection.Channel->Enabled != 0;
}

std::optional<std::array<TrendBand, 3>> BandsOf(const TrendSelection& selection) {
    if (!HasMargin(selection)) {
        return std::nullopt;
    }
    const RawBox box = BoxOfChannel(*selection.Channel);
    std::array<TrendBand, 3> bands{};
    for (unsigned c = 0; c < 3; ++c) {
        bands[c] = {ToPercent(box.Low[c]), ToPercent(box.High[c])};
    }
    return bands;
}

std::vector<ChartPoint> Thinned(const std::vector<ChartPoint>& points,
                                const TrendSelection& selection) {
    return DecimateMinMax(points, -selection.SpanMinutes, 0.0, selection.Columns);
}

// One pass: the colours and margins of the span, and the marks of the chart.
SpanSeries Collect(const TrendSelection& selection, TrendChart& chart) {
    const CReadingHistory& history = selection.History;
    SpanSeries series;
    const std::size_t count = history.Size() - selection.First;
    series.Colours.reserve(count);
    const HistoryEntry& newest = history.At(history.Size() - 1);
    std::optional<bool> matched;
    std::vector<ChartPoint> disagreements;
    for (std::size_t index = selection.First; index < history.Size(); ++index) {
        const HistoryEntry& entry = history.At(index);
        const double x = MinutesBefore(entry, newest);
        const RawRgb colour = RawOfEntry(entry);
        series.Colours.push_back(colour);
        for (unsigned c = 0; c < 3; ++c) {
            series.Points[c].push_back({x, ToPercent(colour[c])});
        }
        if (!HasMargin(selection)) {
            continue;
        }
        const double margin = ChannelMargin(*selection.Channel, colour);
        series.Margins.push_back(margin);
        series.MarginPoints.push_back({x, margin});
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
    chart.Disagreements = Thinned(disagreements, selection);
    return series;
}

std::string Figure(std::optional<double> value, int decimals) {
    return value ? FormatFixed(*value, decimals) : NO_FIGURE;
}

void FillColourRows(const TrendSelection& selection, const SpanSeries& series, TrendTable& table) {
    const std::array<SeriesStatistics, 3> statistics = ColourStatistics(series.Colours);
    std::array<Capability, 3> capability{};
    if (HasMargin(selection)) {
        capability = ChannelCapability(*selection.Channel, series.Colours);
    }
    for (unsigned c = 0; c < 3; ++c) {
        const SeriesStatistics& figures = statistics[c];
        const auto shown = [&figures](double value, int decimals) {
            return figures.Count > 0 ? FormatFixed(value, decimals) : std::string(NO_FIGURE);
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
}

} // namespace

TrendFigures BuildTrendFigures(const TrendSelection& selection) {
    TrendFigures figures;
    TrendChart& chart = figures.Chart;
    chart.SpanMinutes = selection.SpanMinutes;
    chart.Bands = BandsOf(selection);
    SpanSeries series;
    if (selection.First < selection.History.Size()) {
        series = Collect(selection, chart);
    }
    for (unsigned c = 0; c < 3; ++c) {
        chart.Colours[c] = Thinned(series.Points[c], selection);
    }
    chart.Margin = Thinned(series.MarginPoints, selection);
    FillColourRows(selection, series, figures.Table);
    figures.Table.Margin.fill(NO_FIGURE);
    if (const std::optional<MarginSummary> summary = SummariseMargins(series.Margins)) {
        figures.Table.Margin = {NO_FIGURE, FormatFixed(summary->Min, 1),
                                FormatFixed(summary->Mean, 1)};
    }
    ShowMarginNow(selection, figures.Table);
    return figures;
}

void ShowMarginNow(const TrendSelection& selection, TrendTable& table) {
    table.Margin[0] = NO_FIGURE;
    table.MarginNote.clear();
    if (!HasMargin(selection) || selection.First >= selection.History.Size()) {
        return;
    }
    const HistoryEntry& newest = selection.History.At(selection.History.Size() - 1);
    const double margin = ChannelMargin(*selection.Channel, RawOfEntry(newest));
    table.Margin[0] = FormatFixed(margin, 1);
    if (MarginDisagrees(margin, newest.MatchStatus, selection.ChannelNumber, selection.ModelCode)) {
        table.MarginNote = margin >= 0.0 ? "inside the box, but the sensor reports no match"
                                         : "outside the box, but the sensor reports a match";
    }
}
