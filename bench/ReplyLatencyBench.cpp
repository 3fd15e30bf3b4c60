// Reply latency: from the virtual sensor writing a reply's CR to the proxy's notification
// reaching its target, over 1000 settings requests on an unpaced line.
//
// Sent back to back, each request's reply arrives while the receive thread still takes its
// 1 ms pause after the previous line, so that series mostly shows the pause. A second series
// waits a little before each request: there the receive thread is blocked in its read when
// the reply comes, as it is on a real line, where a reply needs several milliseconds.

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "BenchRig.h"
#include "BenchStats.h"

namespace {

constexpr const char* NAME = "bench-reply-latency";
constexpr int WARM_UP = 20;
constexpr int REQUESTS = 1000;
constexpr double GOAL_P99_MS = 2.0;
constexpr auto SETTLE = std::chrono::milliseconds(3);

// Latencies in ms of WARM_UP + REQUESTS requests (the warm-up left out), each after `pause`.
std::optional<std::vector<double>> MeasureSeries(BenchRig& rig, std::chrono::milliseconds pause) {
    std::vector<double> latencies;
    for (int i = 0; i < WARM_UP + REQUESTS; ++i) {
        std::this_thread::sleep_for(pause);
        const std::optional<double> latency = rig.SettingsReplyLatencyMs();
        if (!latency) {
            return std::nullopt;
        }
        if (i >= WARM_UP) {
            latencies.push_back(*latency);
        }
    }
    return latencies;
}

void Report(const char* series, const std::vector<double>& latencies) {
    const Summary summary = Summarise(latencies);
    std::printf("  %s:\n    %s\n    goal p99 < %.1f ms: %s\n", series, DescribeMs(summary).c_str(),
                GOAL_P99_MS, Verdict(summary.P99 < GOAL_P99_MS));
}

} // namespace

int main() {
    SimConfig config;
    config.Pacing = false;
    BenchRig rig(config);
    std::string error;
    if (!rig.Start(error)) {
        return BenchFailed(NAME, error);
    }
    const auto backToBack = MeasureSeries(rig, std::chrono::milliseconds(0));
    const auto settled = MeasureSeries(rig, SETTLE);
    if (!backToBack || !settled) {
        return BenchFailed(NAME, "a request got no reply");
    }
    std::printf("reply latency (reply CR written -> notification posted), %d settings requests "
                "per series, unpaced line:\n",
                REQUESTS);
    Report("back to back", *backToBack);
    Report("3 ms between a notification and the next request", *settled);
    return 0;
}
