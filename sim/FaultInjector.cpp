#include "sim/FaultInjector.h"

namespace {
// Keeps the fault stream apart from the noise stream that uses the same seed.
constexpr std::uint64_t FAULT_STREAM = 0x9E3779B97F4A7C15ull;
} // namespace

FaultInjector::FaultInjector(const SimFaults& faults, std::uint64_t seed)
    : m_faults(faults), m_random(seed ^ FAULT_STREAM) {
}

bool FaultInjector::Strikes(double probability) {
    // Nothing is drawn for a fault that is off, so switching one fault on does not move
    // where the others strike.
    if (probability <= 0.0) {
        return false;
    }
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < probability;
}

bool FaultInjector::DropReply() {
    return Strikes(m_faults.DropReplyProbability);
}

bool FaultInjector::ErrorReply() {
    return Strikes(m_faults.ErrorReplyProbability);
}

std::string FaultInjector::GarbageLine() {
    std::uniform_int_distribution<int> length(4, 24);
    std::uniform_int_distribution<int> byte(1, 0x7F);
    std::string line(static_cast<std::size_t>(length(m_random)), ' ');
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = '\r';
        while (c == '\r' || (i == 0 && (c == '!' || c == '?'))) {
            c = static_cast<char>(byte(m_random));
        }
        line[i] = c;
    }
    return line;
}
