#include "support/Ser2net.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <unistd.h>

#include "support/FileText.h"

namespace {

constexpr const char* SER2NET_PROGRAM = "/usr/sbin/ser2net";
constexpr auto START_TIME = std::chrono::seconds(5);
constexpr unsigned TCP_LISTEN_STATE = 0x0A;

} // namespace

Ser2net::Ser2net(std::string device, bool chardelay)
    : m_device(std::move(device)), m_chardelay(chardelay), m_telnetPort(FreeLoopbackPort()),
      m_rawPort(FreeLoopbackPort()) {
}

std::string Ser2net::Rfc2217Url() const {
    return "rfc2217://127.0.0.1:" + std::to_string(m_telnetPort);
}

std::string Ser2net::SocketUrl() const {
    return "socket://127.0.0.1:" + std::to_string(m_rawPort);
}

bool Ser2net::WriteConfiguration() {
    // "local": a pseudo-terminal has no modem lines to watch.
    const std::string connector = "serialdev," + m_device + ",9600e71,local";
    const std::string options = std::string("  options:\n    chardelay: ") +
                                (m_chardelay ? "true" : "false") + "\n    mdns: false\n";
    std::ofstream file(m_folder / "ser2net.yaml");
    file << "%YAML 1.1\n---\n"
         << "connection: &rfc2217\n  accepter: telnet(rfc2217),tcp,127.0.0.1," << m_telnetPort
         << "\n  connector: " << connector << "\n"
         << options << "connection: &raw\n  accepter: tcp,127.0.0.1," << m_rawPort
         << "\n  connector: " << connector << "\n"
         << options;
    file.close();
    return static_cast<bool>(file);
}

bool Ser2net::Start() {
    Kill();
    if (m_folder.Path().empty() || m_telnetPort == 0 || m_rawPort == 0 || !WriteConfiguration()) {
        m_problem = "cannot prepare ser2net's configuration";
        return false;
    }
    if (::access(SER2NET_PROGRAM, X_OK) != 0) {
        m_problem = std::string(SER2NET_PROGRAM) + " is missing: install ser2net (scripts/setup)";
        return false;
    }
    const std::string log = m_folder / "ser2net.log";
    std::string error;
    // -n: stay in the foreground, -u: no UUCP lock files, which need a shared folder.
    if (!m_server.Start({SER2NET_PROGRAM, "-n", "-u", "-c", m_folder / "ser2net.yaml", "-P",
                         m_folder / "ser2net.pid"},
                        log, error)) {
        m_problem = "cannot start ser2net: " + error;
        return false;
    }
    if (!m_server.AwaitReady([this] { return Listening(); }, START_TIME)) {
        m_problem = "ser2net did not start listening; its output:\n" + FileText(log);
        return false;
    }
    return true;
}

// Both ports are in the LISTEN state on 127.0.0.1 (the kernel's table, so that looking does
// not count as a client).
bool Ser2net::Listening() const {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    unsigned found = 0;
    while (std::getline(table, line)) {
        unsigned address = 0;
        unsigned port = 0;
        unsigned state = 0;
        if (std::sscanf(line.c_str(), " %*u: %8X:%4X %*8X:%*4X %2X", &address, &port, &state) ==
                3 &&
            state == TCP_LISTEN_STATE && (port == m_telnetPort || port == m_rawPort)) {
            ++found;
        }
    }
    return found == 2;
}

void Ser2net::Kill() {
    m_server.Kill();
}
