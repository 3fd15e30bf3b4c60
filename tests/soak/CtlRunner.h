#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// spectrelctl run one command after another against a sensor, on a thread of its own, as a
// script on the line PC would: each must end by itself within a bound, whatever the line does;
// one that does not is a hang (and is killed).
class CtlRunner {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds HANG_BOUND{30};

    CtlRunner(std::string program, std::string device, std::string outputPath);
    ~CtlRunner(); // stops after the command now running

    void Start();
    void Stop();

    struct Figures {
        int Runs = 0;
        int Hangs = 0;
        std::map<std::string, int> Endings; // "exit 0", "exit 4", "signal 6", ... per count
        Clock::duration Worst{0};
        std::string WorstCommand;
    };
    Figures Snapshot() const;

private:
    void Loop();
    void RunOne(const std::vector<std::string>& command);

    std::string m_program;
    std::string m_device;
    std::string m_outputPath;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    Figures m_figures;
};
