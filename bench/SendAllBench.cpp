// "Send All Spectrel Channels" of a fifteen-channel virtual sensor that paces its line like
// 9600 baud 7E1, with every channel's three tolerances changed (so every command carries six
// bounds), from the button to the panel enabled again, against the least time the exchanges
// on the line can take: every character of each command and reply at LINE_CHARACTER_TIME
// plus the sensor's turnaround before each reply. A poll still in flight when the button is
// pressed is counted as one of the exchanges.

#include <chrono>
#include <cstdio>
#include <vector>

#include "BenchPanel.h"
#include "BenchRig.h"
#include "BenchStats.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* NAME = "bench-send-all";
constexpr int CHANNELS = 15;
constexpr int RUNS = 5;
constexpr double GOAL_RATIO = 1.10;
// Tolerance steps the runs alternate between: 10 % and 12 %.
constexpr int STEPS[2] = {20, 24};

void Select(BenchPanel& bench, int index) {
    bench.Controls.SelectedChannel = index;
    bench.Panel().OnSelchangeChannel();
}

// A colour for every channel first: the bounds of an untaught channel (0 %) do not move with
// its tolerance.
bool TeachAll(BenchPanel& bench) {
    for (int index = 0; index < CHANNELS; ++index) {
        Select(bench, index);
        bench.Panel().OnTeachChannel();
        if (!bench.PumpUntil([&] { return !bench.Panel().IsAwaitingSensor(); })) {
            return false;
        }
    }
    return true;
}

void SetAllTolerances(BenchPanel& bench, int step) {
    for (int index = 0; index < CHANNELS; ++index) {
        Select(bench, index);
        bench.Controls.ToleranceSteps = {step, step, step};
        for (int colour = 0; colour < 3; ++colour) {
            bench.Panel().OnToleranceSpin(colour);
        }
    }
}

} // namespace

int main() {
    const SimConfig config = FifteenChannelsAtLineRate();
    BenchPanel bench(config);
    std::string error;
    if (!bench.Start(error)) {
        return BenchFailed(NAME, error);
    }
    if (!TeachAll(bench)) {
        return BenchFailed(NAME, "teaching the channels did not complete");
    }
    std::vector<double> ratios;
    for (int run = 1; run <= RUNS; ++run) {
        SetAllTolerances(bench, STEPS[run % 2]);
        bench.Exchanges().Reset();
        const Clock::time_point start = Clock::now();
        bench.Panel().OnSendAllChannels();
        if (!bench.PumpUntil([&] { return !bench.Panel().IsAwaitingSensor(); })) {
            return BenchFailed(NAME, "run " + std::to_string(run) + " did not complete");
        }
        ratios.push_back(bench.Exchanges().PrintRun(run, Milliseconds(Clock::now() - start),
                                                    config.TurnaroundMs));
    }
    PrintLineRateRatios("send all", std::to_string(CHANNELS) + " channels, every tolerance changed",
                        ratios, config.TurnaroundMs, GOAL_RATIO);
    return 0;
}
