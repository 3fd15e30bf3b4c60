// spectrelctl publish with 16 virtual sensors at line rate (each on its own pseudo-terminal,
// paced like 9600 baud) through one publish process to a real mosquitto on 127.0.0.1, polling
// every 300 ms and every 100 ms: the process's CPU (% of one core) and resident memory,
// readings published against readings the sensors answered, and the latency from a reading's
// arrival time (its "time") to its receipt by a subscriber. Then the broker is killed and
// started again: the time from it listening to the last retained topic published again.

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchRig.h"
#include "BenchStats.h"
#include "sim/VirtualSensor.h"
#include "soak/ChildProcess.h"
#include "support/Deadline.h"
#include "support/Mosquitto.h"
#include "support/MqttSubscriber.h"
#include "support/TempDir.h"

using namespace std::chrono_literals;

namespace {

constexpr const char* NAME = "bench-publish";
constexpr unsigned SENSORS = 16;
constexpr unsigned CHANNELS = 4; // the virtual sensor's default model
// Per sensor: identity, settings, channels, availability and a match topic per channel.
constexpr unsigned RETAINED_PER_SENSOR = 4 + CHANNELS;
constexpr auto WINDOW = 20s;
constexpr double GOAL_CPU_PERCENT = 2.0; // at 300 ms
constexpr long GOAL_RSS_KIB = 16 * 1024;
constexpr double GOAL_P99_MS = 5.0;

std::string Serial(unsigned index) {
    char text[32];
    std::snprintf(text, sizeof text, "BENCH%011u", index + 1);
    return text;
}

// utime + stime of a process, in seconds.
double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            utime = std::stoull(field);
        } else if (index == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long RssKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    long value = -1;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
        }
        status.ignore(4096, '\n');
    }
    return value;
}

// "2026-12-08T10:04:04.566+00:00" as a time point (whole milliseconds).
std::chrono::system_clock::time_point ParseTime(const std::string& text) {
    std::tm fields{};
    int milliseconds = 0;
    int offsetHours = 0;
    int offsetMinutes = 0;
    char sign = '+';
    std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d.%d%c%d:%d", &fields.tm_year, &fields.tm_mon,
                &fields.tm_mday, &fields.tm_hour, &fields.tm_min, &fields.tm_sec, &milliseconds,
                &sign, &offsetHours, &offsetMinutes);
    fields.tm_year -= 1900;
    fields.tm_mon -= 1;
    const long offset = (sign == '-' ? -1 : 1) * (offsetHours * 3600L + offsetMinutes * 60L);
    return std::chrono::system_clock::from_time_t(timegm(&fields) - offset) +
           std::chrono::milliseconds(milliseconds);
}

class PublishBench {
public:
    bool Start(std::string& error) {
        for (unsigned index = 0; index < SENSORS; ++index) {
            SimConfig config;
            config.Pacing = true;
            config.SerialNumber = Serial(index);
            auto sensor = std::make_unique<VirtualSensor>(config);
            sensor->SetAnswerObserver([this](const std::string& line) {
                if (line.starts_with("!d -> !d,")) {
                    ++m_taken;
                }
            });
            if (!sensor->Start(m_folder / ("tty" + std::to_string(index)))) {
                return BenchError(error, "virtual sensor: " + sensor->Error());
            }
            m_sensors.push_back(std::move(sensor));
        }
        if (!m_broker.Start()) {
            return BenchError(error, "mosquitto: " + m_broker.Problem());
        }
        return true;
    }

    // One run of the publish process at `periodMs`; the broker restart with `restart`.
    bool Run(unsigned periodMs, bool restart, std::string& error) {
        MqttSubscriber subscriber(m_broker.Port());
        ChildProcess publish;
        if (!subscriber.Start() ||
            !publish.Start(Arguments(periodMs), m_folder / "err.txt", false)) {
            return BenchError(error, "cannot start the subscriber or spectrelctl publish");
        }
        if (!WaitUntil([&] { return Online(subscriber) == SENSORS; }, 30s)) {
            return BenchError(error, "not every sensor came on line");
        }
        Quiet(true);
        const std::size_t before = subscriber.Messages().size();
        m_taken = 0;
        Quiet(false);
        const double cpuBefore = CpuSeconds(publish.Pid());
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(WINDOW); // the measured stretch of steady publishing
        const double cpu =
            (CpuSeconds(publish.Pid()) - cpuBefore) /
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const long rss = RssKiB(publish.Pid());
        Quiet(true);
        const unsigned long long taken = m_taken;
        const std::size_t end = subscriber.Messages().size();
        Quiet(false);
        Report(periodMs, cpu * 100.0, rss, taken, subscriber, before, end);
        if (restart && !Restart(error)) {
            return false;
        }
        publish.Stop();
        WaitUntil([&] { return Online(subscriber) == 0; }, 10s);
        return true;
    }

private:
    static bool BenchError(std::string& error, const std::string& why) {
        error = why;
        return false;
    }

    std::vector<std::string> Arguments(unsigned periodMs) const {
        std::vector<std::string> args = {SPECTREL_CTL_PROGRAM};
        for (unsigned index = 0; index < SENSORS; ++index) {
            args.insert(args.end(), {"--device", m_folder / ("tty" + std::to_string(index))});
        }
        args.insert(args.end(),
                    {"publish", "--broker", "mqtt://127.0.0.1:" + std::to_string(m_broker.Port()),
                     "--period", std::to_string(periodMs), "--client-id", "bench"});
        return args;
    }

    // The counts of readings taken and published are compared with every sensor silent for a
    // moment, so that none is on its way between the two. Far shorter than the data time-out:
    // no sensor counts as lost.
    void Quiet(bool silent) {
        for (const auto& sensor : m_sensors) {
            sensor->SetSilent(silent);
        }
        if (silent) {
            std::this_thread::sleep_for(500ms);
        }
    }

    // Sensors whose latest availability says "online".
    static unsigned Online(const MqttSubscriber& subscriber) {
        unsigned online = 0;
        for (unsigned index = 0; index < SENSORS; ++index) {
            const auto messages = subscriber.On("spectrel/" + Serial(index) + "/availability");
            online += !messages.empty() && messages.back().Payload == "online" ? 1 : 0;
        }
        return online;
    }

    // A broker that lost everything it held: how soon after it listens again is everything
    // retained back? A fresh subscriber sees what the broker holds, and what arrives.
    bool Restart(std::string& error) {
        m_broker.Kill();
        if (!m_broker.Start()) {
            return BenchError(error, "mosquitto again: " + m_broker.Problem());
        }
        const auto listening = std::chrono::steady_clock::now();
        MqttSubscriber again(m_broker.Port());
        const auto retained = [&] {
            std::vector<std::string> topics;
            for (const auto& message : again.Messages()) {
                if (message.Topic.find("/bridge/") == std::string::npos &&
                    std::find(topics.begin(), topics.end(), message.Topic) == topics.end() &&
                    message.Topic.find("/reading") == std::string::npos) {
                    topics.push_back(message.Topic);
                }
            }
            return topics.size();
        };
        if (!again.Start() ||
            !WaitUntil([&] { return retained() == SENSORS * RETAINED_PER_SENSOR; }, 10s)) {
            return BenchError(error, "the retained topics did not come back");
        }
        auto last = listening;
        for (const auto& message : again.Messages()) {
            if (message.Retained || message.Topic.find("/reading") == std::string::npos) {
                last = std::max(last, message.At);
            }
        }
        std::printf("  broker restarted: last of %u retained topics again %.0f ms after it "
                    "listened (goal 2000 ms: %s)\n",
                    SENSORS * RETAINED_PER_SENSOR, Milliseconds(last - listening),
                    Verdict(last - listening < 2s));
        return true;
    }

    void Report(unsigned periodMs, double cpuPercent, long rss, unsigned long long taken,
                const MqttSubscriber& subscriber, std::size_t from, std::size_t to) const {
        // The subscriber notes receipt on the steady clock; the time stamps are wall-clock time.
        const auto offset = std::chrono::system_clock::now().time_since_epoch() -
                            std::chrono::steady_clock::now().time_since_epoch();
        std::vector<double> latencies;
        const auto messages = subscriber.Messages();
        for (std::size_t index = from; index < to; ++index) {
            const auto& message = messages[index];
            if (message.Topic.ends_with("/reading")) {
                const auto arrival = ParseTime(nlohmann::json::parse(message.Payload)["time"]);
                const std::chrono::system_clock::time_point received(
                    std::chrono::duration_cast<std::chrono::system_clock::duration>(
                        message.At.time_since_epoch() + offset));
                latencies.push_back(
                    std::chrono::duration<double, std::milli>(received - arrival).count());
            }
        }
        const Summary summary = Summarise(latencies);
        std::printf("period %u ms, %u sensors, %lld s:\n", periodMs, SENSORS,
                    static_cast<long long>(WINDOW.count()));
        std::printf("  CPU of the publish process: %.2f %% of one core%s\n", cpuPercent,
                    periodMs == 300 ? (cpuPercent < GOAL_CPU_PERCENT ? " (goal < 2 %: met)"
                                                                     : " (goal < 2 %: MISSED)")
                                    : "");
        std::printf("  RSS: %ld KiB (goal < %ld KiB: %s)\n", rss, GOAL_RSS_KIB,
                    Verdict(rss < GOAL_RSS_KIB));
        std::printf("  readings published %zu of %llu taken\n", summary.Count, taken);
        std::printf("  arrival -> subscriber: p50 %.1f ms, p99 %.1f ms, max %.1f ms (goal p99 < "
                    "%.0f ms: %s; time stamps are whole ms, so up to 1 ms high)\n",
                    summary.Median, summary.P99, summary.Max, GOAL_P99_MS,
                    Verdict(summary.P99 < GOAL_P99_MS));
    }

    TempDir m_folder;
    std::vector<std::unique_ptr<VirtualSensor>> m_sensors;
    Mosquitto m_broker;
    std::atomic<unsigned long long> m_taken = 0;
};

} // namespace

int main() {
    PublishBench bench;
    std::string error;
    if (!bench.Start(error) || !bench.Run(300, true, error) || !bench.Run(100, false, error)) {
        return BenchFailed(NAME, error);
    }
    return 0;
}
