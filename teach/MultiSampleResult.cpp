#include "teach/MultiSampleResult.h"

#include <algorithm>

namespace {

// 100 / (2 * RAW_FULL_SCALE): a sum of two bounds as the mid-point in percent.
constexpr double HALF_PERCENT_PER_COUNT = 0.0007636852394916911;
constexpr double MINIMUM_MARGIN = 65.472; // 0.1 % of full scale
constexpr int MINIMUM_MARGIN_COUNTS = 65;
constexpr double MINIMUM_TOLERANCE = 0.5;

} // namespace

int SampleMargin(int spread) {
    const int margin = static_cast<int>(spread * 0.1);
    return margin < MINIMUM_MARGIN ? MINIMUM_MARGIN_COUNTS : margin;
}

SampleResult ResultOfSamples(const std::vector<int>& rawValues) {
    int minimum = 0;
    int maximum = 0;
    if (!rawValues.empty()) {
        const auto [low, high] = std::minmax_element(rawValues.begin(), rawValues.end());
        minimum = *low;
        maximum = *high;
    }
    const int margin = SampleMargin(maximum - minimum);
    const int low = minimum - margin;
    const int high = maximum + margin;
    SampleResult result;
    result.Color = (low + high) * HALF_PERCENT_PER_COUNT;
    const double halfWidth = (high - low) * HALF_PERCENT_PER_COUNT;
    result.Tolerance = result.Color != 0.0 ? halfWidth * 100.0 / result.Color : halfWidth;
    result.Tolerance = std::max(result.Tolerance, MINIMUM_TOLERANCE);
    return result;
}
