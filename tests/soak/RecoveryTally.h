#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "FaultKinds.h"

// Faults played and recoveries seen, per fault kind and per party that must recover (the
// window, the data log).
class RecoveryTally {
public:
    using Duration = std::chrono::steady_clock::duration;

    void Injected(FaultKind kind) { ++m_kinds[kind].Injected; }
    // `recovered` false: not back within the bound (`took` is then the bound); `state` says
    // what the party showed then.
    void Outcome(FaultKind kind, const std::string& party, bool recovered, Duration took,
                 const std::string& state = {});

    int Failures() const { return static_cast<int>(m_failures.size()); }
    Duration Worst() const { return m_worst; }
    std::string WorstText() const { return m_worstText; }
    // One line per kind, then the failures.
    std::string Text() const;

private:
    struct Party {
        int Recovered = 0;
        int Failed = 0;
        Duration Worst{0};
    };
    struct Kind {
        int Injected = 0;
        std::map<std::string, Party> Parties;
    };
    std::map<FaultKind, Kind> m_kinds;
    std::vector<std::string> m_failures;
    Duration m_worst{0};
    std::string m_worstText;
};

std::string Milliseconds(std::chrono::steady_clock::duration duration);
