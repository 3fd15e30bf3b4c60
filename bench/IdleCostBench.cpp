// Idle cost: the CPU time of a process that data-polls a sensor every 300 ms for 30 s, as a
// percentage of one core. The sensor runs as a spectrel-sim process of its own (pacing on, as
// a real line), so the figure is this process alone: the proxy's receive and timer threads
// and a main thread that takes every notification, as a window would.
//
//   bench-idle-cost [--seconds N] [--sim PATH-OF-spectrel-sim]

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "BenchRig.h"
#include "BenchStats.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* NAME = "bench-idle-cost";
constexpr unsigned PERIOD_MS = 300;
constexpr unsigned IDENTIFY_PERIOD_MS = 500;
constexpr double GOAL_PERCENT = 0.5;

// spectrel-sim in a process of its own, its pty linked under a name in a private folder;
// stopped with SIGTERM and reaped when this object goes.
class SimProcess {
public:
    SimProcess() {
        char pattern[] = "/tmp/spectrel-bench-XXXXXX";
        if (::mkdtemp(pattern) != nullptr) {
            m_folder = pattern;
            m_link = m_folder + "/ttySIM";
        }
    }
    ~SimProcess() {
        Stop();
        if (!m_folder.empty()) {
            ::unlink(m_link.c_str());
            ::rmdir(m_folder.c_str());
        }
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool Start(const std::string& program, std::string& error) {
        if (m_folder.empty()) {
            error = "cannot make a temporary folder";
            return false;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> args{program, "--link", m_link};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        const int result =
            ::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (result != 0) {
            m_pid = 0;
            error = "cannot start " + program + ": " + std::strerror(result);
            return false;
        }
        return WaitForLink(error);
    }

    // Stops the sensor; its CPU seconds, or a negative figure when it was not running.
    double Stop() {
        if (m_pid == 0) {
            return -1.0;
        }
        ::kill(m_pid, SIGTERM);
        int status = 0;
        rusage usage{};
        ::wait4(m_pid, &status, 0, &usage);
        m_pid = 0;
        return CpuSeconds(usage);
    }

    const std::string& Link() const { return m_link; }

private:
    bool WaitForLink(std::string& error) const {
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        struct stat status {};
        while (::stat(m_link.c_str(), &status) != 0) {
            if (Clock::now() > deadline) {
                error = "spectrel-sim did not make " + m_link;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    std::string m_folder;
    std::string m_link;
    pid_t m_pid = 0;
};

struct Arguments {
    unsigned Seconds = 30;
    std::string SimProgram = SPECTREL_SIM_PROGRAM;
};

bool ParseArguments(int argc, char** argv, Arguments& arguments) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--seconds") {
            arguments.Seconds = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        } else if (name == "--sim") {
            arguments.SimProgram = argv[i + 1];
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && arguments.Seconds > 0;
}

} // namespace

int main(int argc, char** argv) {
    Arguments arguments;
    if (!ParseArguments(argc, argv, arguments)) {
        std::fprintf(stderr, "usage: %s [--seconds N] [--sim PATH]\n", NAME);
        return 2;
    }
    SimProcess sim;
    std::string error;
    if (!sim.Start(arguments.SimProgram, error)) {
        return BenchFailed(NAME, error);
    }
    CNotificationQueue queue;
    CSensor sensor;
    sensor.SetWindow(&queue);
    if (!sensor.Connect(sim.Link())) {
        return BenchFailed(NAME, "cannot open " + sim.Link());
    }
    if (!sensor.StartIdentifyPolling(IDENTIFY_PERIOD_MS) ||
        !queue.PopMessage(WM_SENSOR_IDENTITY, std::chrono::seconds(5))) {
        return BenchFailed(NAME, "the sensor did not answer");
    }
    sensor.StopIdentifyPolling();

    const double cpuBefore = OwnCpuSeconds();
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + std::chrono::seconds(arguments.Seconds);
    sensor.StartDataPolling(PERIOD_MS);
    unsigned readings = 0;
    while (auto notification = queue.Pop(end)) {
        if (notification->Message == WM_SENSOR_DATA) {
            ++readings;
            volatile double red = sensor.GetRed(); // as a window showing the reading would
            (void)red;
        }
    }
    sensor.StopDataPolling();
    const double wallSeconds = Milliseconds(Clock::now() - start) / 1000.0;
    const double cpuSeconds = OwnCpuSeconds() - cpuBefore;
    sensor.Disconnect();
    sensor.SetWindow(nullptr);
    const double simSeconds = sim.Stop();

    const double percent = cpuSeconds / wallSeconds * 100.0;
    std::printf("idle cost, data polling at %u ms for %.1f s (%u readings), sensor in a separate "
                "spectrel-sim process:\n"
                "  this process (proxy threads and the notification consumer): %.3f s CPU = "
                "%.3f %% of one core\n"
                "  (for comparison, the spectrel-sim process used %.3f s over its whole run)\n"
                "  goal < %.1f %%: %s\n",
                PERIOD_MS, wallSeconds, readings, cpuSeconds, percent, simSeconds, GOAL_PERCENT,
                Verdict(percent < GOAL_PERCENT));
    return 0;
}
