#include "quality/TeachSpread.h"

#include <algorithm>

#include "sensor/SensorRecords.h"

std::optional<double> TeachSpreadPercent(std::span<const int> rawSamples, double colour,
                                         double tolerance) {
    const ComponentBounds band = PercentToBounds(colour, tolerance);
    if (band.High <= band.Low) {
        return std::nullopt;
    }
    if (rawSamples.empty()) {
        return 0.0;
    }
    const auto [min, max] = std::minmax_element(rawSamples.begin(), rawSamples.end());
    return 100.0 * (double(*max) - double(*min)) / (double(band.High) - double(band.Low));
}
