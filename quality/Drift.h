#pragma once

#include <cstddef>
#include <optional>
#include <span>

// The drift warning of a channel's margin over its latest readings: either the colour already
// sits too close to the edge on average, or its straight-line trend is heading there soon.

inline constexpr std::size_t DRIFT_MEAN_READINGS = 20;
inline constexpr double DRIFT_MEAN_LIMIT = 25.0; // percent margin
inline constexpr std::size_t DRIFT_TREND_READINGS = 100;
inline constexpr double DRIFT_TREND_MIN_R2 = 0.5;
inline constexpr double DRIFT_TREND_HORIZON_SECONDS = 600.0;

enum class DriftKind { NONE, LOW_MEAN, FALLING_TREND };

struct DriftVerdict {
    DriftKind Kind = DriftKind::NONE;
    double RecentMean = 0.0;             // of the last (up to) 20 margins
    std::optional<double> SecondsToZero; // of a falling trend that fits, from the newest
};

// A least-squares line y = Intercept + Slope * x with its coefficient of determination.
struct LineFit {
    double Intercept = 0.0;
    double Slope = 0.0;
    double R2 = 0.0;
};

// Absent when the x values do not spread or the y values do not vary (no line to speak of).
std::optional<LineFit> FitLine(std::span<const double> x, std::span<const double> y);

// `margins` and their arrival `seconds` (any origin, non-decreasing), oldest first, of equal
// length. The mean rule looks at the last 20 margins, or all while there are fewer; the trend
// rule needs 100 readings, so that a few noisy first ones never draw a line. A low mean wins
// when both hold.
DriftVerdict CheckDrift(std::span<const double> margins, std::span<const double> seconds);
