#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "link/SerialPort.h"

// The host's side of a virtual sensor's line, as the sensor proxy uses it: the project's own
// serial port, and a receive thread that queues every line read, so that tests can wait for a
// line with a deadline (the port's Read waits without one).
class HostPort {
public:
    HostPort() = default;
    ~HostPort() { Close(); }
    HostPort(const HostPort&) = delete;
    HostPort& operator=(const HostPort&) = delete;

    bool Open(const std::string& path);
    void Close();
    bool Send(const std::string& command); // the CR is added
    // The next line within the timeout, or nothing.
    std::optional<std::string>
    NextLine(std::chrono::milliseconds timeout = std::chrono::seconds(3));
    // Send and wait for the next line; "<no reply>" when none came.
    std::string Ask(const std::string& command,
                    std::chrono::milliseconds timeout = std::chrono::seconds(3));
    bool NoLineWithin(std::chrono::milliseconds quiet);
    bool ReadFailed() const { return m_readFailed; }
    // Steady-clock time at which the latest line was handed over by the port.
    std::chrono::steady_clock::time_point LastLineTime();
    CSerialPort& Port() { return m_port; }

private:
    void Receive();

    CSerialPort m_port;
    std::thread m_reader;
    std::mutex m_mutex;
    std::deque<std::string> m_lines;
    std::chrono::steady_clock::time_point m_lastLineTime{};
    std::atomic<bool> m_readFailed{false};
    std::atomic<bool> m_closing{false};
};
