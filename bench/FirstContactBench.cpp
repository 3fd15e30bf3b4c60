// First contact at line rate: identify, version, settings and all fifteen channels of a
// fifteen-channel virtual sensor that paces its line like 9600 baud 7E1, against the least
// time those exchanges can take: every character of a command and of its reply at
// LINE_CHARACTER_TIME, plus the sensor's turnaround before each reply.

#include <chrono>
#include <cstdio>
#include <vector>

#include "BenchRig.h"
#include "BenchStats.h"
#include "FirstContactChain.h"
#include "LineExchanges.h"
#include "link/LineFormat.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* NAME = "bench-first-contact";
constexpr unsigned MODEL_FIFTEEN_CHANNELS = 9;
constexpr unsigned CHANNELS = 15;
constexpr int RUNS = 5;
constexpr double GOAL_RATIO = 1.10;

} // namespace

int main() {
    LineExchanges exchanges;
    SimConfig config;
    config.ModelCode = MODEL_FIFTEEN_CHANNELS;
    config.Pacing = true;
    BenchRig rig(config, [&exchanges](const std::string& line) { exchanges.Note(line); });
    std::string error;
    if (!rig.Start(error)) {
        return BenchFailed(NAME, error);
    }
    std::vector<double> ratios;
    for (int run = 1; run <= RUNS; ++run) {
        exchanges.Reset();
        const std::optional<Clock::duration> took = FirstContact(rig, CHANNELS);
        if (!took) {
            return BenchFailed(NAME, "run " + std::to_string(run) + " did not complete");
        }
        const double boundMs = exchanges.BoundMs(config.TurnaroundMs);
        const double ratio = Milliseconds(*took) / boundMs;
        ratios.push_back(ratio);
        std::printf("  run %d: %zu exchanges, %zu characters, bound %.2f ms, took %.2f ms, "
                    "ratio %.4f\n",
                    run, exchanges.Count(), exchanges.Characters(), boundMs, Milliseconds(*took),
                    ratio);
    }
    const Summary summary = Summarise(ratios);
    std::printf("first contact at line rate (identify, version, settings, %u channels; 9600 "
                "baud 7E1 = %.4f ms per character, turnaround %u ms):\n"
                "  ratio took/bound: median %.4f, worst %.4f over %d runs\n"
                "  goal ratio <= %.2f: %s\n",
                CHANNELS, LINE_CHARACTER_TIME.count(), config.TurnaroundMs, summary.Median,
                summary.Max, RUNS, GOAL_RATIO, Verdict(summary.Max <= GOAL_RATIO));
    return 0;
}
