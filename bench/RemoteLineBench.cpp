// The remote line through a real ser2net on 127.0.0.1, serving a fifteen-channel virtual
// sensor that paces its line like 9600 baud 7E1:
// - first contact (identify, version, settings, fifteen channels) through rfc2217:// and
//   socket:// against the same sensor on its pseudo-terminal directly, runs interleaved;
// - reply latency (reply CR written -> notification posted) through rfc2217://;
// each with ser2net's chardelay off and with its default (on).

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "BenchRig.h"
#include "BenchStats.h"
#include "FirstContactChain.h"
#include "support/Ser2net.h"

namespace {

constexpr const char* NAME = "bench-remote-line";
constexpr unsigned CHANNELS = 15;
constexpr int RUNS = 5;
constexpr int LATENCY_REQUESTS = 200;
constexpr double GOAL_RATIO = 1.05;
constexpr auto SETTLE = std::chrono::milliseconds(3);

struct Route {
    std::string name;
    std::string device;
};

std::optional<double> LatencyP99(BenchRig& rig) {
    std::vector<double> latencies;
    for (int i = 0; i < LATENCY_REQUESTS; ++i) {
        std::this_thread::sleep_for(SETTLE);
        const std::optional<double> latency = rig.SettingsReplyLatencyMs();
        if (!latency) {
            return std::nullopt;
        }
        latencies.push_back(*latency);
    }
    return Summarise(latencies).P99;
}

} // namespace

int main() {
    BenchRig rig(FifteenChannelsAtLineRate());
    std::string error;
    if (!rig.Start(error)) {
        return BenchFailed(NAME, error);
    }
    Ser2net immediate(rig.Sim().SlavePath(), false);
    Ser2net delayed(rig.Sim().SlavePath(), true);
    if (!immediate.Start() || !delayed.Start()) {
        return BenchFailed(NAME, immediate.Problem() + delayed.Problem());
    }
    const std::vector<Route> routes{
        {"pseudo-terminal directly", rig.Sim().SlavePath()},
        {"rfc2217://, chardelay off", immediate.Rfc2217Url()},
        {"socket://, chardelay off", immediate.SocketUrl()},
        {"rfc2217://, chardelay on (default)", delayed.Rfc2217Url()},
    };
    std::map<std::string, std::vector<double>> took;
    for (int run = 1; run <= RUNS; ++run) {
        for (const Route& route : routes) {
            if (!rig.Reconnect(route.device, error)) {
                return BenchFailed(NAME, error);
            }
            const auto duration = FirstContact(rig, CHANNELS);
            if (!duration) {
                return BenchFailed(NAME, route.name + ": run " + std::to_string(run) +
                                             " did not complete");
            }
            took[route.name].push_back(Milliseconds(*duration));
        }
    }
    const double direct = Summarise(took[routes[0].name]).Median;
    std::printf("first contact, %u channels, paced 9600 baud 7E1 line, median of %d runs "
                "interleaved:\n",
                CHANNELS, RUNS);
    for (const Route& route : routes) {
        const Summary summary = Summarise(took[route.name]);
        std::printf("  %-36s median %8.2f ms, worst %8.2f ms, ratio to direct %.4f\n",
                    route.name.c_str(), summary.Median, summary.Max, summary.Median / direct);
    }
    const double ratio = Summarise(took[routes[1].name]).Median / direct;
    std::printf("  goal ratio rfc2217:// (chardelay off) / direct <= %.2f: %s\n", GOAL_RATIO,
                Verdict(ratio <= GOAL_RATIO));

    std::printf("reply latency (reply CR written -> notification posted), %d settings requests, "
                "%lld ms between a notification and the next request:\n",
                LATENCY_REQUESTS, static_cast<long long>(SETTLE.count()));
    for (const Route& route : {routes[0], routes[1], routes[3]}) {
        if (!rig.Reconnect(route.device, error)) {
            return BenchFailed(NAME, error);
        }
        const std::optional<double> p99 = LatencyP99(rig);
        if (!p99) {
            return BenchFailed(NAME, route.name + ": a request got no reply");
        }
        std::printf("  %-36s p99 %7.3f ms\n", route.name.c_str(), *p99);
    }
    return 0;
}
