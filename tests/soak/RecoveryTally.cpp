#include "RecoveryTally.h"

std::string Milliseconds(std::chrono::steady_clock::duration duration) {
    return std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(duration).count()) +
           " ms";
}

void RecoveryTally::Outcome(FaultKind kind, const std::string& party, bool recovered, Duration took,
                            const std::string& state) {
    Party& figures = m_kinds[kind].Parties[party];
    if (!recovered) {
        ++figures.Failed;
        m_failures.push_back(party + " not back after " + FaultName(kind) + " within " +
                             Milliseconds(took) + (state.empty() ? "" : ": " + state));
        return;
    }
    ++figures.Recovered;
    figures.Worst = std::max(figures.Worst, took);
    if (took > m_worst) {
        m_worst = took;
        m_worstText = Milliseconds(took) + " (" + party + ", " + FaultName(kind) + ")";
    }
}

std::string RecoveryTally::Text() const {
    std::string text;
    for (const auto& [kind, figures] : m_kinds) {
        std::string line =
            std::string("  ") + FaultName(kind) + ": injected " + std::to_string(figures.Injected);
        for (const auto& [party, outcome] : figures.Parties) {
            line += "; " + party + " recovered " + std::to_string(outcome.Recovered) + ", failed " +
                    std::to_string(outcome.Failed) + ", worst " + Milliseconds(outcome.Worst);
        }
        text += line + "\n";
    }
    for (const std::string& failure : m_failures) {
        text += "  FAILED: " + failure + "\n";
    }
    return text;
}
