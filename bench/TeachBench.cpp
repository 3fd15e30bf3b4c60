// "Teach Spectrel Channel" on a virtual sensor that paces its line like 9600 baud 7E1, from
// the button to the panel showing the taught colour (ready again), against the line time of
// the teach command and its reply (each character at LINE_CHARACTER_TIME) plus the sensor's
// turnaround. The button is pressed while no poll is on the line: one in flight would add its
// own exchange (up to about 30 ms) before the teach may start.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "BenchPanel.h"
#include "BenchRig.h"
#include "BenchStats.h"
#include "link/LineFormat.h"
#include "sensor/Sensor.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* NAME = "bench-teach";
constexpr int RUNS = 20;
constexpr double GOAL_EXCESS_MS = 5.0;

} // namespace

int main() {
    SimConfig config;
    config.Pacing = true;
    BenchPanel bench(config);
    std::string error;
    if (!bench.Start(error)) {
        return BenchFailed(NAME, error);
    }
    std::vector<double> excess;
    std::vector<double> took;
    std::size_t exchanges = 0; // on the line during one teach, at most
    for (int run = 1; run <= RUNS; ++run) {
        // Between two polls and at a different point of the polling period each run.
        bench.PumpUntil([] { return false; }, std::chrono::milliseconds(100 + 17 * run));
        if (!bench.PumpUntil([&] { return !bench.Panel().Sensor()->IsBusy(); })) {
            return BenchFailed(NAME, "the sensor does not answer its polls");
        }
        bench.Exchanges().Reset();
        const Clock::time_point start = Clock::now();
        bench.Panel().OnTeachChannel();
        if (!bench.PumpUntil([&] { return !bench.Panel().IsAwaitingSensor(); })) {
            return BenchFailed(NAME, "run " + std::to_string(run) + " did not complete");
        }
        took.push_back(Milliseconds(Clock::now() - start));
        exchanges = std::max(exchanges, bench.Exchanges().Count());
        excess.push_back(took.back() - bench.Exchanges().BoundMs(config.TurnaroundMs));
    }
    const Summary tookSummary = Summarise(took);
    const Summary summary = Summarise(excess);
    std::printf("teach round trip at line rate (button to taught colour shown; 9600 baud 7E1 = "
                "%.4f ms per character, turnaround %u ms):\n"
                "  took: %s; at most %zu exchange(s) on the line\n"
                "  beyond the line time of its exchanges: median %.2f ms, worst %.2f ms over %d "
                "runs\n"
                "  goal within %.0f ms: %s\n",
                LINE_CHARACTER_TIME.count(), config.TurnaroundMs, DescribeMs(tookSummary).c_str(),
                exchanges, summary.Median, summary.Max, RUNS, GOAL_EXCESS_MS,
                Verdict(summary.Max <= GOAL_EXCESS_MS));
    return 0;
}
