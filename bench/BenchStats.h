#pragma once

#include <chrono>
#include <string>
#include <sys/resource.h>
#include <vector>

// Figures over a set of measurements, in the unit they were taken in.
struct Summary {
    std::size_t Count = 0;
    double Min = 0.0;
    double Mean = 0.0;
    double Median = 0.0;
    double P99 = 0.0;
    double Max = 0.0;
};

// Percentiles by the nearest-rank rule; an empty set gives all zeros.
Summary Summarise(std::vector<double> values);

double Milliseconds(std::chrono::steady_clock::duration duration);

// The user and system CPU time in `usage`, and this process's so far, in seconds.
double CpuSeconds(const rusage& usage);
double OwnCpuSeconds();

// "mean 0.120 ms, median 0.123 ms, p99 0.456 ms, max 0.789 ms (1000 samples)"
std::string DescribeMs(const Summary& summary);

// "met" or "MISSED", for the goal line of a figure.
const char* Verdict(bool met);
