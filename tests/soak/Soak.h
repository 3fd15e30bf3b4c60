#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "CtlRunner.h"
#include "FaultKinds.h"
#include "LogWatch.h"
#include "ProcessFigures.h"
#include "PublishWatch.h"
#include "RecoveryTally.h"
#include "SimProcess.h"
#include "SoakWindow.h"
#include "tests/support/Ser2net.h"
#include "tests/support/TempDir.h"

struct SoakOptions {
    std::chrono::seconds Length{180};
    std::uint64_t Seed = 0;
    bool Matrix = false; // each fault kind once instead of a random run
    std::string SimProgram;
    std::string CtlProgram;
};

// The soak: the window's controller, spectrelctl (commands, log and publish to a real MQTT
// broker) and the virtual sensors they talk to, under
// faults that switch at random from a seed, with every recovery timed and every process's
// resources compared from the end of the first minute to the end.
class Soak {
public:
    using Clock = std::chrono::steady_clock;
    // How long the window and the log may take to be back after a fault has ended.
    static constexpr std::chrono::seconds RECOVERY_BOUND{20};
    // The longest one call into the window's controller may take.
    static constexpr std::chrono::seconds CALL_BOUND{10};
    static constexpr std::chrono::seconds WARM_UP{60};

    explicit Soak(SoakOptions options);
    ~Soak();
    // Exit status: 0 when every goal was met.
    int Run();

private:
    struct Watched {
        std::string Name;
        ChildProcess* Process; // nullptr: this process
        ProcessFigures Start, End;
    };

    bool StartAll();
    bool StartSensors();
    std::vector<SimProcess*> Sensors();
    void StopAll();
    void RandomRun();
    void MatrixRun();
    void PlayEpisode(const FaultEpisode& episode);
    // The user goes on working for `period`: actions and notifications (see SoakWindow::Act
    // for `faultHolds`).
    void Drive(Clock::duration period, bool faultHolds);
    void AwaitRecovery(const FaultEpisode& episode);
    void AwaitLogRecovery(const FaultEpisode& episode, Clock::time_point faultEnd);
    void AwaitPublishRecovery(const FaultEpisode& episode, Clock::time_point faultEnd);
    void Observe(bool faultHolds);
    std::vector<FaultKind> Kinds() const;
    void TakeFigures(bool start);
    void Watchdog();
    bool Report();

    SoakOptions m_options;
    std::mt19937_64 m_random;
    TempDir m_temp;
    Clock::time_point m_startedAt;
    SimProcess m_windowSensor;
    SimProcess m_ctlSensor;
    SimProcess m_logSensor;            // spectrelctl log's
    SimProcess m_publishSensor;        // spectrelctl publish's
    std::unique_ptr<Ser2net> m_server; // the log sensor's remote line
    ChildProcess m_ctlLog;
    PublishWatch m_publish;
    std::unique_ptr<LogWatch> m_ctlLogWatch;
    std::unique_ptr<LogWatch> m_windowLogWatch;
    std::unique_ptr<SoakWindow> m_window;
    std::unique_ptr<CtlRunner> m_ctl;
    std::vector<Watched> m_watched;
    bool m_startFiguresTaken = false;
    RecoveryTally m_tally;
    std::vector<std::string> m_crashes;
    unsigned m_episodes = 0;
    std::map<std::string, int> m_actions;
    std::atomic<bool> m_stopWatchdog{false};
    std::thread m_watchdog;
};
