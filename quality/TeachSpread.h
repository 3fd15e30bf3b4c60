#pragma once

#include <optional>
#include <span>

// How much of a taught tolerance band the samples themselves fill: the spread of the samples
// (highest - lowest raw count) in percent of the band the result gives the sensor (high - low).
// Well below 100 means a tighter tolerance would still hold every sample.

// `rawSamples` of one colour; `colour` and `tolerance` the result in percent as it will be sent.
// Absent when the band has no width; no samples spread 0.
std::optional<double> TeachSpreadPercent(std::span<const int> rawSamples, double colour,
                                         double tolerance);
