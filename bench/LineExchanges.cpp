#include "LineExchanges.h"

#include <cstdio>

#include "BenchStats.h"
#include "link/LineFormat.h"

void LineExchanges::Note(const std::string& line) {
    const auto arrow = line.find(" -> ");
    if (arrow == std::string::npos) {
        return;
    }
    // Both lines end with a CR on the wire.
    std::lock_guard lock(m_mutex);
    m_characters += arrow + 1 + (line.size() - arrow - 4) + 1;
    ++m_count;
}

void LineExchanges::Reset() {
    std::lock_guard lock(m_mutex);
    m_characters = 0;
    m_count = 0;
}

std::size_t LineExchanges::Characters() const {
    std::lock_guard lock(m_mutex);
    return m_characters;
}

std::size_t LineExchanges::Count() const {
    std::lock_guard lock(m_mutex);
    return m_count;
}

double LineExchanges::BoundMs(unsigned turnaroundMs) const {
    std::lock_guard lock(m_mutex);
    return static_cast<double>(m_characters) * LINE_CHARACTER_TIME.count() +
           static_cast<double>(m_count * turnaroundMs);
}

double LineExchanges::PrintRun(int run, double tookMs, unsigned turnaroundMs) const {
    const double boundMs = BoundMs(turnaroundMs);
    const double ratio = tookMs / boundMs;
    std::printf("  run %d: %zu exchanges, %zu characters, bound %.2f ms, took %.2f ms, "
                "ratio %.4f\n",
                run, Count(), Characters(), boundMs, tookMs, ratio);
    return ratio;
}

void PrintLineRateRatios(const char* what, const std::string& detail,
                         const std::vector<double>& ratios, unsigned turnaroundMs, double goal) {
    const Summary summary = Summarise(ratios);
    std::printf("%s at line rate (%s; 9600 baud 7E1 = %.4f ms per character, turnaround %u "
                "ms):\n"
                "  ratio took/bound: median %.4f, worst %.4f over %zu runs\n"
                "  goal ratio <= %.2f: %s\n",
                what, detail.c_str(), LINE_CHARACTER_TIME.count(), turnaroundMs, summary.Median,
                summary.Max, ratios.size(), goal, Verdict(summary.Max <= goal));
}
