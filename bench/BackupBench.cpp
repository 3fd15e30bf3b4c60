// spectrelctl backup of eight fifteen-channel virtual sensors at line rate (9600 baud 7E1
// pacing), each on its own --device, against the backup of one sensor alone. The sensors are
// served in parallel, one proxy each, so eight should take about as long as one.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "BenchRig.h"
#include "BenchStats.h"
#include "cli/Ctl.h"
#include "sim/VirtualSensor.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* NAME = "bench-backup";
constexpr std::size_t SENSORS = 8;
constexpr int RUNS = 3;
constexpr double GOAL_RATIO = 1.2;

// One backup run over the first `count` sensors; its wall time in ms, or a negative figure
// when spectrelctl failed.
double BackupMs(const std::vector<std::unique_ptr<VirtualSensor>>& sensors, std::size_t count,
                const std::string& folder) {
    std::vector<std::string> args;
    for (std::size_t i = 0; i < count; ++i) {
        args.insert(args.end(), {"--device", sensors[i]->SlavePath()});
    }
    args.insert(args.end(), {"backup", folder + "/line-{serial}.spf"});
    std::ostringstream out;
    std::ostringstream err;
    std::atomic<bool> stop{false};
    const auto start = Clock::now();
    const int exit = RunSpectrelCtl(args, out, err, stop);
    const double elapsed = Milliseconds(Clock::now() - start);
    if (exit != 0) {
        std::fprintf(stderr, "%s: spectrelctl backup failed (%d): %s", NAME, exit,
                     err.str().c_str());
        return -1.0;
    }
    return elapsed;
}

} // namespace

int main() {
    char pattern[] = "/tmp/spectrel-bench-backup-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        std::fprintf(stderr, "%s: cannot make a temporary folder\n", NAME);
        return 1;
    }
    const std::string folder = pattern;

    std::vector<std::unique_ptr<VirtualSensor>> sensors;
    for (std::size_t i = 0; i < SENSORS; ++i) {
        SimConfig config = FifteenChannelsAtLineRate();
        config.SerialNumber = "BENCH00000000" + std::to_string(100 + i);
        sensors.push_back(std::make_unique<VirtualSensor>(config));
        if (!sensors.back()->Start()) {
            std::fprintf(stderr, "%s: %s\n", NAME, sensors.back()->Error().c_str());
            return 1;
        }
    }

    std::vector<double> one;
    std::vector<double> eight;
    for (int run = 0; run < RUNS; ++run) {
        one.push_back(BackupMs(sensors, 1, folder));
        eight.push_back(BackupMs(sensors, SENSORS, folder));
        if (one.back() < 0.0 || eight.back() < 0.0) {
            return 1;
        }
    }
    std::filesystem::remove_all(folder);

    const Summary alone = Summarise(one);
    const Summary all = Summarise(eight);
    const double ratio = all.Median / alone.Median;
    std::printf("%s: spectrelctl backup of fifteen-channel sensors at 9600 baud 7E1\n", NAME);
    std::printf("  one sensor:    median %.1f ms (min %.1f, max %.1f; %d runs)\n", alone.Median,
                alone.Min, alone.Max, RUNS);
    std::printf("  eight sensors: median %.1f ms (min %.1f, max %.1f; %d runs)\n", all.Median,
                all.Min, all.Max, RUNS);
    std::printf("  eight / one: %.3f (goal <= %.1f: %s)\n", ratio, GOAL_RATIO,
                Verdict(ratio <= GOAL_RATIO));
    return 0;
}
