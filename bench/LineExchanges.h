#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

// The characters of every exchange the virtual sensor answered ("!c,0 -> !c,0,0,..."), for the
// least time a chain of exchanges can take on the line.
class LineExchanges {
public:
    // One answered exchange, as the virtual sensor's answer observer reports it.
    void Note(const std::string& line);
    void Reset();
    std::size_t Characters() const;
    std::size_t Count() const;
    // Every character at the line's time per character, plus the sensor's turnaround before
    // each reply.
    double BoundMs(unsigned turnaroundMs) const;
    // Prints one run of a chain that took `tookMs` against the bound of the exchanges noted
    // since the last Reset; gives the ratio took/bound.
    double PrintRun(int run, double tookMs, unsigned turnaroundMs) const;

private:
    mutable std::mutex m_mutex;
    std::size_t m_characters = 0;
    std::size_t m_count = 0;
};

// The closing lines of a line-rate figure: "<what> at line rate (<detail>; ...):", then the
// median and worst of the runs' ratios took/bound and whether the worst meets `goal`.
void PrintLineRateRatios(const char* what, const std::string& detail,
                         const std::vector<double>& ratios, unsigned turnaroundMs, double goal);
