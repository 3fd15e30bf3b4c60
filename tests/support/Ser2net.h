#pragma once

#include <string>

#include "support/ServerProcess.h"
#include "support/TempDir.h"

// A real ser2net serving one serial device on 127.0.0.1, on two free ports: a telnet one with
// RFC 2217 line control and a raw one. Its configuration is written here, in a private
// folder; the server is started, killed and started again by its owner and stopped at the
// end. The ports stay the same across restarts.
class Ser2net {
public:
    // chardelay: whether ser2net holds received characters for a few character times before
    // it forwards them (its default), or forwards them at once.
    explicit Ser2net(std::string device, bool chardelay = false);
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    // Starts the server and waits until both ports listen; false with Problem() set.
    bool Start();
    // Ends it at once (SIGKILL), as a crash or a pulled network cable would.
    void Kill();
    const std::string& Problem() const { return m_problem; }

    std::string Rfc2217Url() const;
    std::string SocketUrl() const;

private:
    bool WriteConfiguration();
    bool Listening() const;

    TempDir m_folder;
    std::string m_device;
    bool m_chardelay;
    unsigned m_telnetPort = 0;
    unsigned m_rawPort = 0;
    ServerProcess m_server;
    std::string m_problem;
};
