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

std::int64_t Nanoseconds(std::chrono::steady_clock::time_point time) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
}

// One request; the latency in ms, or nothing when the reply did not come.
std::optional<double> MeasureOne(BenchRig& rig) {
    const std::int64_t previousEnd = rig.Sim().LastReplyEndNanoseconds();
    if (!rig.Sensor().RequestSettings()) {
        return std::nullopt;
    }
    const auto notification = rig.Await(WM_SENSOR_SETTINGS);
    if (!notification) {
        return std::nullopt;
    }
    // The sensor notes the time once its write has returned, which can be after the proxy
    // has already read the line: wait for that note before taking it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (rig.Sim().LastReplyEndNanoseconds() == previousEnd) {
        if (std::chrono::steady_clock::now() > deadline) {
            return std::nullopt;
        }
        std::this_thread::yield();
    }
    const std::int64_t replyEnd = rig.Sim().LastReplyEndNanoseconds();
    return static_cast<double>(Nanoseconds(notification->Time) - replyEnd) / 1e6;
}

// Latencies in ms of WARM_UP + REQUESTS requests (the warm-up left out), each after `pause`.
std::optional<std::vector<double>> MeasureSeries(BenchRig& rig, std::chrono::milliseconds pause) {
    std::vector<double> latencies;
    for (int i = 0; i < WARM_UP + REQUESTS; ++i) {
        std::this_thread::sleep_for(pause);
        const std::optional<double> latency = MeasureOne(rig);
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
