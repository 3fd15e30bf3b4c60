#include "Soak.h"

#include "SanitizerLines.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

std::string Seconds(std::chrono::steady_clock::duration duration) {
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(duration).count()) +
           " s";
}

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own quarantine and shadow memory grow with the run: the resident memory
// figure is printed but is no goal there.
constexpr bool RSS_IS_A_GOAL = false;
#else
constexpr bool RSS_IS_A_GOAL = true;
#endif
constexpr long RSS_GROWTH_GOAL_KIB = 1024;

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

} // namespace

Soak::Soak(SoakOptions options) : m_options(std::move(options)), m_random(m_options.Seed) {
}

Soak::~Soak() {
    StopAll();
}

int Soak::Run() {
    std::printf("soak: seed %llu, %s, recovery bound %s, call bound %s\n",
                static_cast<unsigned long long>(m_options.Seed),
                m_options.Matrix ? "fault matrix" : Seconds(m_options.Length).c_str(),
                Seconds(RECOVERY_BOUND).c_str(), Seconds(CALL_BOUND).c_str());
    std::fflush(stdout);
    if (!StartAll()) {
        return 1;
    }
    if (m_options.Matrix) {
        MatrixRun();
    } else {
        RandomRun();
    }
    m_window->EndLogging();
    TakeFigures(false);
    StopAll();
    return Report() ? 0 : 1;
}

std::vector<SimProcess*> Soak::Sensors() {
    return {&m_windowSensor, &m_ctlSensor, &m_logSensor, &m_publishSensor};
}

bool Soak::StartSensors() {
    const std::string folder = m_temp.Path();
    const unsigned seed = static_cast<unsigned>(m_random());
    const char* names[] = {"window", "ctl", "log", "publish"};
    unsigned index = 0;
    for (SimProcess* sensor : Sensors()) {
        const std::string name = names[index];
        if (folder.empty() || !sensor->Start(m_options.SimProgram, folder + "/tty-" + name,
                                             folder + "/sim-" + name + ".out", seed + index)) {
            std::printf("soak: cannot start the virtual sensors: %s\n", sensor->Error().c_str());
            return false;
        }
        ++index;
    }
    return true;
}

bool Soak::StartAll() {
    m_startedAt = Clock::now();
    const std::string folder = m_temp.Path();
    if (!StartSensors()) {
        return false;
    }
    // spectrelctl log reaches its sensor through ser2net on the loopback, as a line PC on the
    // network would.
    m_server = std::make_unique<Ser2net>(m_logSensor.Link());
    if (!m_server->Start()) {
        std::printf("soak: cannot start ser2net: %s\n", m_server->Problem().c_str());
        return false;
    }
    const std::string ctlLogPath = folder + "/ctl-log.csv";
    if (!m_ctlLog.Start({m_options.CtlProgram, "--device", m_server->Rfc2217Url(), "log",
                         ctlLogPath, "--mode", "continuous"},
                        folder + "/spectrelctl-log.out", false)) {
        std::printf("soak: %s\n", m_ctlLog.Error().c_str());
        return false;
    }
    m_ctlLogWatch = std::make_unique<LogWatch>(ctlLogPath);
    if (std::string problem; !m_publish.Start(m_options.CtlProgram, m_publishSensor.Link(),
                                              folder + "/spectrelctl-publish.out", problem)) {
        std::printf("soak: %s\n", problem.c_str());
        return false;
    }
    m_window = std::make_unique<SoakWindow>(folder, m_windowSensor.Link());
    m_windowLogWatch = std::make_unique<LogWatch>(m_window->LogPath());
    m_window->Open();
    m_ctl = std::make_unique<CtlRunner>(m_options.CtlProgram, m_ctlSensor.Link(),
                                        folder + "/spectrelctl.out");
    m_ctl->Start();
    m_watchdog = std::thread([this] { Watchdog(); });
    m_watched = {
        {"soak (window controller, sensor proxy, spectrelctl driver)", nullptr, {}, {}},
        {"spectrel-sim (window's sensor)", &m_windowSensor.Process(), {}, {}},
        {"spectrel-sim (spectrelctl commands' sensor)", &m_ctlSensor.Process(), {}, {}},
        {"spectrel-sim (spectrelctl log's sensor)", &m_logSensor.Process(), {}, {}},
        {"spectrel-sim (spectrelctl publish's sensor)", &m_publishSensor.Process(), {}, {}},
        {"spectrelctl log", &m_ctlLog, {}, {}},
        {"spectrelctl publish", &m_publish.Process(), {}, {}}};
    const auto deadline = Clock::now() + RECOVERY_BOUND;
    while (!m_window->IsOnline() && Clock::now() < deadline) {
        m_window->Pump(std::chrono::milliseconds(100));
    }
    if (!m_window->IsOnline()) {
        std::printf("soak: the window did not come on line at the start\n");
        return false;
    }
    return true;
}

void Soak::StopAll() {
    if (m_ctl) {
        m_ctl->Stop();
    }
    if (m_window) {
        m_window->Close();
    }
    m_stopWatchdog = true;
    if (m_watchdog.joinable()) {
        m_watchdog.join();
    }
    // Each program must end cleanly on SIGTERM, as a service manager would stop it.
    std::vector<std::pair<std::string, ChildProcess*>> programs{
        {"spectrelctl log", &m_ctlLog}, {"spectrelctl publish", &m_publish.Process()}};
    for (SimProcess* sensor : Sensors()) {
        programs.emplace_back("spectrel-sim", &sensor->Process());
    }
    for (const auto& [name, process] : programs) {
        if (process->Pid() != 0 && !process->Stop()) {
            m_crashes.push_back(name + " did not stop on SIGTERM");
        } else if (process->Pid() != 0 && process->Status() != 0) {
            m_crashes.push_back(name + " ended with " + process->StatusText());
        }
    }
}

void Soak::RandomRun() {
    const auto end = m_startedAt + m_options.Length;
    std::uniform_int_distribution<int> calmMs(2000, 5000);
    while (Clock::now() < end && m_crashes.empty()) {
        Drive(std::chrono::milliseconds(calmMs(m_random)), false);
        if (Clock::now() >= end) {
            break;
        }
        PlayEpisode(DrawEpisode(m_random, Kinds(), ++m_episodes));
    }
}

void Soak::MatrixRun() {
    for (FaultKind kind : Kinds()) {
        Drive(std::chrono::milliseconds(1000), false);
        PlayEpisode(MakeEpisode(kind, std::chrono::milliseconds(3500), ++m_episodes));
    }
}

std::vector<FaultKind> Soak::Kinds() const {
    std::vector<FaultKind> kinds = LineFaultKinds();
    kinds.push_back(FaultKind::Remote);
    kinds.push_back(FaultKind::Broker);
    return kinds;
}

void Soak::PlayEpisode(const FaultEpisode& episode) {
    m_tally.Injected(episode.Kind);
    if (episode.Kind == FaultKind::Remote) {
        m_server->Kill();
    }
    if (episode.Kind == FaultKind::Broker) {
        m_publish.KillBroker();
    }
    for (SimProcess* sensor : Sensors()) {
        sensor->SendAll(episode.StartLines);
    }
    Drive(episode.Hold, true);
    for (SimProcess* sensor : Sensors()) {
        sensor->SendAll(episode.EndLines);
    }
    if (episode.Kind == FaultKind::Remote && !m_server->Start()) {
        m_crashes.push_back("ser2net did not start again: " + m_server->Problem());
    }
    if (std::string problem; episode.Kind == FaultKind::Broker && !m_publish.StartBroker(problem)) {
        m_crashes.push_back(problem + " (did not start again)");
    }
    AwaitRecovery(episode);
}

// Back means on line, ready, showing a reading taken after the fault ended, and (after a swap)
// showing the new sensor's serial number. Only notifications are taken meanwhile: the time is
// the system's own, not a user's.
void Soak::AwaitRecovery(const FaultEpisode& episode) {
    const auto faultEnd = Clock::now();
    const int readingsBefore = m_window->Readings();
    const auto back = [&] {
        return m_window->IsOnline() && m_window->Readings() > readingsBefore &&
               (episode.NewSerial.empty() || m_window->SerialShown() == episode.NewSerial);
    };
    while (!back() && Clock::now() - faultEnd < RECOVERY_BOUND) {
        m_window->Pump(std::chrono::milliseconds(20));
    }
    const bool recovered = back();
    m_tally.Outcome(episode.Kind, "window", recovered,
                    recovered ? Clock::now() - faultEnd : Clock::duration(RECOVERY_BOUND),
                    m_window->StateText());
    AwaitLogRecovery(episode, faultEnd);
    AwaitPublishRecovery(episode, faultEnd);
}

// spectrelctl publish is back once the sensor that answers now has a reading on the broker
// taken after the fault ended (and its identity again, after a broker restart).
void Soak::AwaitPublishRecovery(const FaultEpisode& episode, Clock::time_point faultEnd) {
    while (!m_publish.Back(episode, faultEnd) && Clock::now() - faultEnd < RECOVERY_BOUND) {
        m_window->Pump(std::chrono::milliseconds(20));
    }
    const bool back = m_publish.Back(episode, faultEnd);
    m_tally.Outcome(episode.Kind, "spectrelctl publish", back,
                    back ? Clock::now() - faultEnd : Clock::duration(RECOVERY_BOUND),
                    m_publish.State());
}

// spectrelctl log is back once it has written a record after the fault ended (it logs every
// reading); the window's log is held to that too while it logs.
void Soak::AwaitLogRecovery(const FaultEpisode& episode, Clock::time_point faultEnd) {
    const bool windowLogs = m_window->IsLogging();
    m_ctlLogWatch->Poll();
    m_windowLogWatch->Poll();
    const auto logged = [&](const LogWatch& watch) { return watch.LastRecordAt() > faultEnd; };
    while (!(logged(*m_ctlLogWatch) && (!windowLogs || logged(*m_windowLogWatch))) &&
           Clock::now() - faultEnd < RECOVERY_BOUND) {
        m_window->Pump(std::chrono::milliseconds(20));
        m_ctlLogWatch->Poll();
        m_windowLogWatch->Poll();
    }
    const auto outcome = [&](const std::string& party, const LogWatch& watch) {
        const bool back = logged(watch);
        m_tally.Outcome(episode.Kind, party, back,
                        back ? watch.LastRecordAt() - faultEnd : Clock::duration(RECOVERY_BOUND));
    };
    outcome("spectrelctl log", *m_ctlLogWatch);
    if (windowLogs && m_window->IsLogging()) {
        outcome("window log", *m_windowLogWatch);
    }
}

void Soak::Drive(Clock::duration period, bool faultHolds) {
    const auto end = Clock::now() + period;
    std::uniform_int_distribution<int> pauseMs(200, 900);
    while (Clock::now() < end) {
        if (const char* action = m_window->Act(m_random, faultHolds)) {
            ++m_actions[action];
        }
        m_window->Pump(std::chrono::milliseconds(pauseMs(m_random)));
        Observe(faultHolds);
    }
}

// Between actions: a sensor that ended by itself is a crash. The start figures are taken once
// the first minute is over, between faults, with the window on line and not logging (its open
// log is a descriptor more), as the end figures are.
void Soak::Observe(bool faultHolds) {
    for (SimProcess* sensor : Sensors()) {
        if (m_crashes.empty() && !sensor->Process().Running()) {
            m_crashes.push_back("spectrel-sim ended with " + sensor->Process().StatusText());
        }
    }
    if (m_crashes.empty() && !m_ctlLog.Running()) {
        m_crashes.push_back("spectrelctl log ended with " + m_ctlLog.StatusText());
    }
    if (m_crashes.empty() && !m_publish.Process().Running()) {
        m_crashes.push_back("spectrelctl publish ended with " + m_publish.Process().StatusText());
    }
    m_ctlLogWatch->Poll();
    m_windowLogWatch->Poll();
    if (!m_startFiguresTaken && !m_options.Matrix && !faultHolds &&
        Clock::now() - m_startedAt >= WARM_UP && m_window->IsOnline() && !m_window->IsLogging()) {
        TakeFigures(true);
        m_startFiguresTaken = true;
    }
}

void Soak::TakeFigures(bool start) {
    for (Watched& watched : m_watched) {
        const pid_t pid = watched.Process != nullptr ? watched.Process->Pid() : ::getpid();
        (start ? watched.Start : watched.End) = ReadProcessFigures(pid);
    }
}

// A call into the controller that does not return is a hang: say which, and end the run with
// a core the developer can read, rather than sit there.
void Soak::Watchdog() {
    constexpr auto ABORT_AFTER = std::chrono::seconds(60);
    while (!m_stopWatchdog) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const Clock::rep started = m_window->CallStartedAt();
        if (started != 0 &&
            Clock::now() - Clock::time_point(Clock::duration(started)) > ABORT_AFTER) {
            std::printf("soak: HANG: '%s' has not returned for %s\n", m_window->CallName(),
                        Seconds(ABORT_AFTER).c_str());
            std::fflush(stdout);
            std::abort();
        }
    }
}

bool Soak::Report() {
    bool met = m_tally.Failures() == 0 && m_crashes.empty();
    std::printf("soak: seed %llu, ran %s, %u faults injected\n",
                static_cast<unsigned long long>(m_options.Seed),
                Seconds(Clock::now() - m_startedAt).c_str(), m_episodes);
    std::printf("recoveries per fault kind (bound %s):\n%s", Seconds(RECOVERY_BOUND).c_str(),
                m_tally.Text().c_str());
    std::printf("worst recovery: %s\n",
                m_tally.WorstText().empty() ? "none" : m_tally.WorstText().c_str());
    Clock::duration slowest{0};
    std::string slowestName;
    for (const auto& [name, took] : m_window->WorstCalls()) {
        if (took > slowest) {
            slowest = took;
            slowestName = name;
        }
    }
    met = met && slowest < CALL_BOUND;
    std::printf("window: slowest call %s (%s); actions:", Milliseconds(slowest).c_str(),
                slowestName.c_str());
    for (const auto& [name, count] : m_actions) {
        std::printf(" %s %d;", name.c_str(), count);
    }
    std::printf("\nwindow: message boxes:");
    for (const auto& [text, count] : m_window->MessagesShown()) {
        std::printf(" \"%s\" x%d;", OneLine(text).c_str(), count);
    }
    for (const auto& [name, watch] : {std::pair{"spectrelctl log", m_ctlLogWatch.get()},
                                      {"window log", m_windowLogWatch.get()}}) {
        met = met && watch->Broken() == 0;
        std::printf("\n%s: %d records, %d broken%s%s", name, watch->Records(), watch->Broken(),
                    watch->Broken() != 0 ? ", first: " : "", watch->FirstBroken().c_str());
    }
    const CtlRunner::Figures ctl = m_ctl->Snapshot();
    met = met && ctl.Hangs == 0;
    std::printf("\nspectrelctl: %d commands, %d hung (bound %s), slowest %s (%s); endings:",
                ctl.Runs, ctl.Hangs, Seconds(CtlRunner::HANG_BOUND).c_str(),
                Milliseconds(ctl.Worst).c_str(), ctl.WorstCommand.c_str());
    for (const auto& [ending, count] : ctl.Endings) {
        std::printf(" %s x%d;", ending.c_str(), count);
    }
    std::printf("\n");
    if (m_startFiguresTaken) {
        std::printf("processes (start after the first minute -> end):\n");
        for (const Watched& watched : m_watched) {
            std::printf("  %s: %s\n", watched.Name.c_str(),
                        CompareFigures(watched.Start, watched.End).c_str());
            met =
                met && watched.Start.OpenFds == watched.End.OpenFds &&
                watched.Start.Threads == watched.End.Threads &&
                (!RSS_IS_A_GOAL || watched.End.RssKiB - watched.Start.RssKiB < RSS_GROWTH_GOAL_KIB);
        }
    }
    for (const std::string& crash : m_crashes) {
        std::printf("CRASH: %s\n", crash.c_str());
    }
    // This process's own reports end it on its standard error; the others' are in their files.
    const std::vector<std::string> reports = SanitizerLines(m_temp.Path());
    met = met && reports.empty();
    std::printf("sanitizer reports of the programs run: %zu\n", reports.size());
    for (const std::string& report : reports) {
        std::printf("  %s\n", report.c_str());
    }
    std::printf("soak: goals %s\n", met ? "met" : "NOT met");
    return met;
}
