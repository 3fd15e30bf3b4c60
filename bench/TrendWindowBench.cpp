// The Trend window's cost: the control panel polling the built-in virtual sensor every 100 ms
// with an hour of readings behind it, its CPU with the Trend window closed, open on the
// 60-minute span, and closed again (the two closed phases show the noise); then the time to
// work out that chart's figures again and to paint it in full (p99 of each), and the memory the
// history holds. Runs offscreen unless QT_QPA_PLATFORM says otherwise.
//
//   bench-trend-window [--seconds N] [--repaints N]

#include <QApplication>
#include <QChartView>
#include <QPixmap>
#include <chrono>
#include <cstdio>

#include "BenchRig.h"
#include "BenchStats.h"
#include "WindowRig.h"
#include "panel/SpectrelDlg.h"
#include "panel/TrendDlg.h"
#include "panel/qt/MainWindow.h"
#include "panel/qt/TrendWindow.h"

namespace {

constexpr const char* NAME = "bench-trend-window";
constexpr int POLLING_MS = 100;
constexpr int HOUR_SPAN_INDEX = 3;
constexpr double CPU_GOAL_PERCENT = 2.0;
constexpr double REPAINT_GOAL_MS = 16.0;

// An hour of readings at the polling period, ending now, wandering a little around the target.
void FillHour(CTrendDlg& trend) {
    const auto now = std::chrono::steady_clock::now();
    const auto wall = std::chrono::system_clock::now();
    const int count = 3600 * 1000 / POLLING_MS;
    for (int i = 0; i < count; ++i) {
        const auto back = std::chrono::milliseconds((count - i) * POLLING_MS);
        const double wobble = (i % 7) * 0.1;
        trend.AddReading({40.0 + wobble, 30.0 - wobble, 20.0, 1, 0}, now - back, wall - back);
    }
}

} // namespace

int main(int argc, char** argv) {
    UseOffscreenByDefault();
    const int seconds = CountArgument(argc, argv, "--seconds", 30);
    const int repaints = CountArgument(argc, argv, "--repaints", 300);
    QApplication application(argc, argv);
    SimConfig config;
    config.NoisePercent = 0.2;
    WindowRig rig(config);
    std::string error;
    if (!rig.Start("[Settings]\nCOM Port=COM1\nCurrentDataPollingPeriod=" +
                       std::to_string(POLLING_MS) + "\n",
                   error)) {
        return BenchFailed(NAME, error);
    }
    CMainWindow& window = rig.Window();
    if (window.Controller().PollingPeriod() != POLLING_MS) {
        return BenchFailed(NAME, "the virtual sensor was not polled every " +
                                     std::to_string(POLLING_MS) + " ms");
    }
    CTrendDlg& trend = window.Trend();
    FillHour(trend);
    const int ms = seconds * 1000;
    const double closed = CpuPercentOver(ms);
    window.OpenTrend();
    CTrendWindow& trendWindow = *window.TrendWindow();
    trend.OnSelchangeSpan(HOUR_SPAN_INDEX);
    CpuPercentOver(1000);
    const double open = CpuPercentOver(ms);

    std::vector<double> figures;
    std::vector<double> paints;
    for (int i = 0; i < repaints; ++i) {
        const auto start = std::chrono::steady_clock::now();
        trend.Refresh();
        const auto drawn = std::chrono::steady_clock::now();
        // The chart lays its series out on posted events; then the whole view is painted.
        QCoreApplication::sendPostedEvents();
        trendWindow.ChartView()->grab();
        figures.push_back(Milliseconds(drawn - start));
        paints.push_back(Milliseconds(std::chrono::steady_clock::now() - drawn));
    }
    const Summary figure = Summarise(figures);
    const Summary repaint = Summarise(paints);
    trendWindow.close();
    const double closedAgain = CpuPercentOver(ms);

    const double added = open - (closed + closedAgain) / 2.0;
    const std::size_t held = trend.History().Size();
    const double bytes = double(trend.History().Capacity()) * sizeof(HistoryEntry);
    std::printf("%s: window polling every %d ms, %d s each: CPU %.2f %% of one core with the "
                "Trend window closed, %.2f %% open on 60 min (%zu readings), %.2f %% closed "
                "again\n",
                NAME, POLLING_MS, seconds, closed, open, held, closedAgain);
    std::printf("%s: the open window adds %.2f %% of one core; goal below %.1f %%: %s\n", NAME,
                added, CPU_GOAL_PERCENT, Verdict(added < CPU_GOAL_PERCENT));
    std::printf("%s: figures of the 60-minute span (series, table, warnings): %s\n", NAME,
                DescribeMs(figure).c_str());
    std::printf("%s: repaint of the 60-minute chart: %s; goal p99 below %.0f ms: %s\n", NAME,
                DescribeMs(repaint).c_str(), REPAINT_GOAL_MS,
                Verdict(repaint.P99 < REPAINT_GOAL_MS));
    std::printf("%s: history: %zu bytes per reading, at most %zu readings (60 min at the "
                "shortest period, %d ms) = %.1f MiB, allocated as readings come\n",
                NAME, sizeof(HistoryEntry), trend.History().Capacity(), MIN_POLLING_PERIOD_MS,
                bytes / (1024.0 * 1024.0));
    window.close();
    return 0;
}
