#pragma once

#include <chrono>
#include <string>

#include "ChildProcess.h"

// One spectrel-sim the soak runs, its pseudo-terminal linked under `link`; faults go to it as
// control lines on its standard input.
class SimProcess {
public:
    // Starts the sensor and waits for its link; false with Error() when that fails.
    bool Start(const std::string& program, const std::string& link, const std::string& logPath,
               unsigned seed);
    bool Send(const std::string& line) { return m_process.Send(line); }
    // Sends control lines as a sequence; false when the sensor is gone.
    template <typename Lines> bool SendAll(const Lines& lines) {
        for (const std::string& line : lines) {
            if (!Send(line)) {
                return false;
            }
        }
        return true;
    }
    const std::string& Link() const { return m_link; }
    ChildProcess& Process() { return m_process; }
    const std::string& Error() const { return m_error; }

private:
    ChildProcess m_process;
    std::string m_link;
    std::string m_error;
};
