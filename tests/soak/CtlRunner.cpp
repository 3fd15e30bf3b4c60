#include "CtlRunner.h"

#include "ChildProcess.h"

#include <thread>

CtlRunner::CtlRunner(std::string program, std::string device, std::string outputPath)
    : m_program(std::move(program)), m_device(std::move(device)),
      m_outputPath(std::move(outputPath)) {
}

CtlRunner::~CtlRunner() {
    Stop();
}

void CtlRunner::Start() {
    m_thread = std::thread([this] { Loop(); });
}

void CtlRunner::Stop() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

CtlRunner::Figures CtlRunner::Snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_figures;
}

void CtlRunner::Loop() {
    const std::vector<std::vector<std::string>> commands{
        {"identify"},
        {"settings"},
        {"channels"},
        {"monitor", "--count", "3"},
    };
    for (std::size_t next = 0; !m_stop; next = (next + 1) % commands.size()) {
        RunOne(commands[next]);
        // A script's pace, not a flood: the window's sensor shares the machine.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
}

void CtlRunner::RunOne(const std::vector<std::string>& command) {
    std::vector<std::string> args{m_program, "--device", m_device};
    args.insert(args.end(), command.begin(), command.end());
    ChildProcess process;
    const auto start = Clock::now();
    if (!process.Start(args, m_outputPath, false)) {
        std::lock_guard lock(m_mutex);
        ++m_figures.Endings["not started"];
        return;
    }
    const bool ended = process.WaitExit(HANG_BOUND);
    if (!ended) {
        process.Stop();
    }
    const Clock::duration took = Clock::now() - start;
    std::lock_guard lock(m_mutex);
    ++m_figures.Runs;
    if (!ended) {
        ++m_figures.Hangs;
    }
    ++m_figures.Endings[ended ? process.StatusText() : "hung"];
    if (took > m_figures.Worst) {
        m_figures.Worst = took;
        m_figures.WorstCommand = command.front();
    }
}
