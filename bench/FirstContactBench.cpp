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

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* NAME = "bench-first-contact";
constexpr unsigned CHANNELS = 15;
constexpr int RUNS = 5;
constexpr double GOAL_RATIO = 1.10;

} // namespace

int main() {
    LineExchanges exchanges;
    const SimConfig config = FifteenChannelsAtLineRate();
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
        ratios.push_back(exchanges.PrintRun(run, Milliseconds(*took), config.TurnaroundMs));
    }
    PrintLineRateRatios("first contact",
                        "identify, version, settings, " + std::to_string(CHANNELS) + " channels",
                        ratios, config.TurnaroundMs, GOAL_RATIO);
    return 0;
}
