#pragma once

#include <vector>

// The arithmetic of a multi-sample teach for one colour: from the raw lower bounds of the taken
// samples (sensor counts, 0..RAW_FULL_SCALE) to the result colour and tolerance in percent.

// Spread / 10, truncated, but never less than 65 counts on either side.
int SampleMargin(int spread);

struct SampleResult {
    double Color = 0.0;     // mid-point of the widened range, percent of full scale
    double Tolerance = 0.0; // half-width relative to the colour (absolute when it is 0), >= 0.5
};

// The samples widened by the margin on both sides; the upper limit of 50 % is the caller's, as
// it tells the user about it. An empty list gives the result of a single sample at 0.
SampleResult ResultOfSamples(const std::vector<int>& rawValues);
