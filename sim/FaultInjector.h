#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "sim/SimConfig.h"

// Decides, reply by reply, which of the switched-on faults strike. Its generator is seeded
// from the sensor's seed (a stream of its own, apart from the measurement noise), so a run
// with the same seed and the same commands fails in the same places.
class FaultInjector {
public:
    FaultInjector(const SimFaults& faults, std::uint64_t seed);

    void SetFaults(const SimFaults& faults) { m_faults = faults; }
    const SimFaults& Faults() const { return m_faults; }

    bool DropReply();
    bool ErrorReply();
    // A line a host must throw away: 4 to 24 characters of 7-bit noise without CR, never
    // starting with '!' or '?'.
    std::string GarbageLine();

private:
    bool Strikes(double probability);

    SimFaults m_faults;
    std::mt19937_64 m_random;
};
