#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// A server program a test starts as a child process: its standard input /dev/null, its
// standard output and error appended to a log file. Killed at once (SIGKILL, as a crash
// would) and reaped by Kill or when the object goes.
class ServerProcess {
public:
    ServerProcess() = default;
    ~ServerProcess() { Kill(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts `arguments` (the program's path first); false with the reason in `error` when it
    // could not be started.
    bool Start(const std::vector<std::string>& arguments, const std::string& log,
               std::string& error);
    // Waits until `ready` holds; false when the server ended or did not get ready in time.
    bool AwaitReady(const std::function<bool()>& ready,
                    std::chrono::milliseconds timeout = std::chrono::seconds(5));
    void Kill();

private:
    pid_t m_pid = -1;
};

// Runs `arguments` to its end with its output appended to `log`; true when it exited with 0.
bool RunToEnd(const std::vector<std::string>& arguments, const std::string& log);

// A TCP port on 127.0.0.1 that nothing listens on at the moment of asking; 0 if none found.
unsigned FreeLoopbackPort();
