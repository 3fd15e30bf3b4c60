#pragma once

#include <cstdio>
#include <cstdlib>

// A fuzzer's invariant: a broken one names itself and aborts, so libFuzzer keeps the input.
inline void Require(bool condition, const char* invariant) {
    if (!condition) {
        std::fprintf(stderr, "broken invariant: %s\n", invariant);
        std::abort();
    }
}

inline bool InRange(double value, double low, double high) {
    return value >= low && value <= high;
}
