// Polling accuracy: data polling at 100 ms for 200 ticks; the moments the "!d" commands reach
// the virtual sensor (unpaced, so a command counts as received when its CR arrives) against
// the ideal schedule.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <vector>

#include "BenchRig.h"
#include "BenchStats.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* NAME = "bench-polling";
constexpr unsigned PERIOD_MS = 100;
constexpr std::size_t TICKS = 200;
constexpr double GOAL_P99_JITTER_MS = 2.0;

// Arrival times of the data requests, noted on the sensor's thread.
class Arrivals {
public:
    void Note(const std::string& line) {
        if (line.rfind("!d ", 0) == 0) {
            std::lock_guard lock(m_mutex);
            m_times.push_back(Clock::now());
        }
    }
    std::size_t Count() const {
        std::lock_guard lock(m_mutex);
        return m_times.size();
    }
    std::vector<Clock::time_point> Times() const {
        std::lock_guard lock(m_mutex);
        return m_times;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Clock::time_point> m_times;
};

} // namespace

int main() {
    Arrivals arrivals;
    SimConfig config;
    config.Pacing = false;
    BenchRig rig(config, [&arrivals](const std::string& line) { arrivals.Note(line); });
    std::string error;
    if (!rig.Start(error)) {
        return BenchFailed(NAME, error);
    }
    // The first request goes out at the start, the ticks follow one period apart.
    const Clock::time_point start = Clock::now();
    rig.Sensor().StartDataPolling(PERIOD_MS);
    const auto deadline = start + std::chrono::milliseconds(PERIOD_MS * (TICKS + 20));
    while (arrivals.Count() < TICKS + 1 && Clock::now() < deadline) {
        rig.Await(WM_SENSOR_DATA, std::nullopt, std::chrono::milliseconds(PERIOD_MS * 2));
    }
    rig.Sensor().StopDataPolling();
    const std::vector<Clock::time_point> times = arrivals.Times();
    if (times.size() < TICKS + 1) {
        return BenchFailed(NAME, "only " + std::to_string(times.size()) + " data requests arrived");
    }

    std::vector<double> periods;
    std::vector<double> jitter;
    std::vector<double> lateness; // against start + k periods
    for (std::size_t k = 1; k <= TICKS; ++k) {
        const double period = Milliseconds(times[k] - times[k - 1]);
        periods.push_back(period);
        jitter.push_back(std::fabs(period - PERIOD_MS));
        lateness.push_back(Milliseconds(times[k] - start) - static_cast<double>(k * PERIOD_MS));
    }
    const Summary period = Summarise(periods);
    const Summary jitterSummary = Summarise(jitter);
    const Summary late = Summarise(lateness);
    const auto lateTicks =
        std::count_if(lateness.begin(), lateness.end(), [](double ms) { return ms > 1.0; });
    const double span = Milliseconds(times[TICKS] - times[1]) / static_cast<double>(TICKS - 1);
    std::printf("polling accuracy, data polling at %u ms, %zu ticks (arrival of \"!d\" at the "
                "sensor):\n"
                "  mean period %.3f ms, mean period error %+.3f ms, drift over the run %+.4f ms "
                "per period\n"
                "  jitter |period - %u ms|: %s\n"
                "  lateness against the ideal schedule: %s\n"
                "  ticks more than 1 ms late: %td of %zu\n"
                "  goal p99 jitter < %.1f ms: %s\n",
                PERIOD_MS, TICKS, period.Mean, period.Mean - PERIOD_MS, span - PERIOD_MS, PERIOD_MS,
                DescribeMs(jitterSummary).c_str(), DescribeMs(late).c_str(), lateTicks, TICKS,
                GOAL_P99_JITTER_MS, Verdict(jitterSummary.P99 < GOAL_P99_JITTER_MS));
    return 0;
}
