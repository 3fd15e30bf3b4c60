#include "BenchStats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

Summary Summarise(std::vector<double> values) {
    Summary summary;
    if (values.empty()) {
        return summary;
    }
    std::sort(values.begin(), values.end());
    const auto rank = [&values](double percent) {
        const auto index = static_cast<std::size_t>(
            std::ceil(percent / 100.0 * static_cast<double>(values.size())));
        return values[std::clamp<std::size_t>(index, 1, values.size()) - 1];
    };
    summary.Count = values.size();
    summary.Min = values.front();
    summary.Max = values.back();
    summary.Mean =
        std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
    summary.Median = rank(50.0);
    summary.P99 = rank(99.0);
    return summary;
}

double Milliseconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double CpuSeconds(const rusage& usage) {
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double OwnCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return CpuSeconds(usage);
}

std::string DescribeMs(const Summary& summary) {
    char text[200];
    std::snprintf(
        text, sizeof text,
        "mean %.3f ms, median %.3f ms, p99 %.3f ms, min %.3f ms, max %.3f ms (%zu samples)",
        summary.Mean, summary.Median, summary.P99, summary.Min, summary.Max, summary.Count);
    return text;
}

const char* Verdict(bool met) {
    return met ? "met" : "MISSED";
}
