#include "support/Ser2net.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "common/FileDescriptor.h"

extern char** environ;

namespace {

constexpr const char* SER2NET_PROGRAM = "/usr/sbin/ser2net";
constexpr auto START_TIME = std::chrono::seconds(5);
constexpr unsigned TCP_LISTEN_STATE = 0x0A;

} // namespace

unsigned FreeLoopbackPort() {
    const FileDescriptor probe(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (!probe || ::bind(probe.Get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(probe.Get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}

Ser2net::Ser2net(std::string device, bool chardelay)
    : m_device(std::move(device)), m_chardelay(chardelay), m_telnetPort(FreeLoopbackPort()),
      m_rawPort(FreeLoopbackPort()) {
}

Ser2net::~Ser2net() {
    Kill();
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
    const std::string config = m_folder / "ser2net.yaml";
    const std::string pidFile = m_folder / "ser2net.pid";
    const std::string log = m_folder / "ser2net.log";
    // -n: stay in the foreground, -u: no UUCP lock files, which need a shared folder.
    std::vector<std::string> arguments{SER2NET_PROGRAM, "-n", "-u", "-c", config, "-P", pidFile};
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const int spawned =
        posix_spawn(&m_pid, SER2NET_PROGRAM, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        m_pid = -1;
        m_problem = std::string("cannot start ser2net: ") + std::strerror(spawned);
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + START_TIME;
    while (!Listening()) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid ||
            std::chrono::steady_clock::now() > deadline) {
            std::ifstream output(log);
            m_problem = "ser2net did not start listening; its output:\n" +
                        std::string(std::istreambuf_iterator<char>(output), {});
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
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
    if (m_pid <= 0) {
        return;
    }
    ::kill(m_pid, SIGKILL);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
}
