#include "quality/Drift.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

double MeanOf(std::span<const double> values) {
    return std::accumulate(values.begin(), values.end(), 0.0) / double(values.size());
}

// When a line fitted against times counted from the newest reading reaches 0; absent unless
// it falls. A line already below 0 has reached it.
std::optional<double> SecondsToZero(const LineFit& fit) {
    if (!(fit.Slope < 0.0)) {
        return std::nullopt;
    }
    return std::max(0.0, fit.Intercept / -fit.Slope);
}

} // namespace

std::optional<LineFit> FitLine(std::span<const double> x, std::span<const double> y) {
    if (x.size() != y.size() || x.size() < 2) {
        return std::nullopt;
    }
    const double meanX = MeanOf(x);
    const double meanY = MeanOf(y);
    double sxx = 0.0, sxy = 0.0, syy = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double dx = x[i] - meanX;
        const double dy = y[i] - meanY;
        sxx += dx * dx;
        sxy += dx * dy;
        syy += dy * dy;
    }
    if (!(sxx > 0.0) || !(syy > 0.0)) {
        return std::nullopt;
    }
    LineFit fit;
    fit.Slope = sxy / sxx;
    fit.Intercept = meanY - fit.Slope * meanX;
    fit.R2 = sxy * sxy / (sxx * syy);
    return fit;
}

DriftVerdict CheckDrift(std::span<const double> margins, std::span<const double> seconds) {
    DriftVerdict verdict;
    if (margins.empty() || margins.size() != seconds.size()) {
        return verdict;
    }
    verdict.RecentMean = MeanOf(margins.last(std::min(margins.size(), DRIFT_MEAN_READINGS)));
    if (margins.size() >= DRIFT_TREND_READINGS) {
        // Times counted from the newest reading: the line's intercept is the margin now, and
        // the sums stay small whatever the clock's origin.
        const double newest = seconds.back();
        std::vector<double> x;
        for (const double t : seconds.last(DRIFT_TREND_READINGS)) {
            x.push_back(t - newest);
        }
        const std::optional<LineFit> fit = FitLine(x, margins.last(DRIFT_TREND_READINGS));
        if (fit && fit->R2 >= DRIFT_TREND_MIN_R2) {
            verdict.SecondsToZero = SecondsToZero(*fit);
        }
    }
    if (verdict.RecentMean < DRIFT_MEAN_LIMIT) {
        verdict.Kind = DriftKind::LOW_MEAN;
    } else if (verdict.SecondsToZero && *verdict.SecondsToZero <= DRIFT_TREND_HORIZON_SECONDS) {
        verdict.Kind = DriftKind::FALLING_TREND;
    }
    return verdict;
}
