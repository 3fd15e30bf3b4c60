#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// A program the soak runs beside the window: started with posix_spawn, its standard output and
// error appended to a file, its standard input a pipe the soak writes control lines into (or
// /dev/null). Stopped with SIGTERM (SIGKILL after a grace period) and reaped when the object
// goes, so no run leaves a process behind.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False with Error() when the program could not be started.
    bool Start(const std::vector<std::string>& args, const std::string& outputPath, bool withInput);
    // One line on the program's standard input; false when it is gone.
    bool Send(const std::string& line);
    // True while the program has not ended; reaps it (and keeps its status) once it has.
    bool Running();
    // Waits until the program ends by itself or the timeout passes; true when it ended.
    bool WaitExit(std::chrono::milliseconds timeout);
    // SIGTERM, then SIGKILL when it has not ended within `grace`. True when it ended on the
    // SIGTERM (or had ended before).
    bool Stop(std::chrono::milliseconds grace = std::chrono::milliseconds(3000));

    pid_t Pid() const { return m_pid; }
    // The wait status once it ended (see Running, WaitExit, Stop).
    int Status() const { return m_status; }
    // "exit N" or "signal N" for a program that ended.
    std::string StatusText() const;
    const std::string& Error() const { return m_error; }

private:
    void CloseInput();

    pid_t m_pid = 0;
    bool m_ended = false;
    int m_status = 0;
    int m_input = -1;
    std::string m_error;
};
