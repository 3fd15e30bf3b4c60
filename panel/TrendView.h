#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "panel/PanelView.h"
#include "quality/Decimation.h"

// The spans the Trend window offers, in minutes; the second is shown until the user picks.
inline constexpr std::array<int, 4> TREND_SPANS = {1, 5, 15, 60};
inline constexpr int DEFAULT_TREND_SPAN = 1;

// A colour's tolerance band in percent of full scale.
struct TrendBand {
    double Low = 0.0;
    double High = 0.0;
};

// What the chart draws. X is minutes before the newest reading (-span..0); the colours are in
// percent of full scale, the margin and its marks in percent margin. Every series is already
// thinned to the chart's pixel columns.
struct TrendChart {
    double SpanMinutes = 5.0;
    std::array<std::vector<ChartPoint>, 3> Colours; // red, green, blue
    std::vector<ChartPoint> Margin;
    std::vector<ChartPoint> MatchChanges;          // where the channel's match output changed
    std::vector<ChartPoint> Disagreements;         // where margin and match output disagree
    std::optional<std::array<TrendBand, 3>> Bands; // none for a channel that is not enabled
};

// Columns of the statistics table, per colour.
enum TrendColumn : int { COL_COUNT, COL_MEAN, COL_SD, COL_MIN, COL_MAX, COL_CP, COL_CPK };
inline constexpr int TREND_COLUMNS = 7;

struct TrendTable {
    std::array<std::array<std::string, TREND_COLUMNS>, 3> Colours; // red, green, blue rows
    std::array<std::string, 3> Margin;                             // now, minimum, mean
    std::string MarginNote; // where the sensor's match output contradicts the margin now
    bool operator==(const TrendTable&) const = default;
};

// The Trend window as its controller (CTrendDlg) sees it; the Qt window implements it and tests
// use a fake. Every call comes on the UI thread.
class TrendView {
public:
    virtual ~TrendView() = default;
    // The channel list ("Channel 1"...) with one selected (index), and the span list's choice.
    virtual void FillChannels(const std::vector<std::string>& names, int selected) = 0;
    virtual void SelectSpan(int index) = 0;
    // How many pixel columns the chart's plot area has: the thinning's resolution.
    virtual unsigned ChartColumns() const = 0;
    virtual void ShowChart(const TrendChart& chart) = 0;
    virtual void ShowTable(const TrendTable& table) = 0;
    // The drift warning and the overlapping channels, each empty when there is nothing to say.
    virtual void ShowWarnings(const std::string& drift, const std::string& overlaps) = 0;
    virtual bool ShowFileDialog(const FileDialogRequest& request, std::string& path) = 0;
    // Writes the chart as it is shown into a PNG file; false when it could not be written.
    virtual bool SavePicture(const std::string& path) = 0;
    virtual MessageResult ShowMessageBox(const MessageBoxRequest& request) = 0;
};
