#include "support/Mosquitto.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "support/FileText.h"
#include "support/Ser2net.h"

extern char** environ;

namespace {

constexpr const char* MOSQUITTO_PROGRAM = "/usr/sbin/mosquitto";
constexpr const char* OPENSSL_PROGRAM = "/usr/bin/openssl";
constexpr auto START_TIME = std::chrono::seconds(5);

// Starts `arguments[0]` with its output appended to `log`; -1 when it could not start.
pid_t Spawn(std::vector<std::string> arguments, const std::string& log) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

int Reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

bool Run(const std::vector<std::string>& arguments, const std::string& log) {
    const pid_t pid = Spawn(arguments, log);
    return pid > 0 && Reap(pid) == 0;
}

} // namespace

Mosquitto::Mosquitto(bool tls)
    : m_tls(tls), m_port(FreeLoopbackPort()), m_tlsPort(tls ? FreeLoopbackPort() : 0) {
}

Mosquitto::~Mosquitto() {
    Kill();
}

// P-256 keys: made in milliseconds, where RSA keys would slow every TLS test down.
bool Mosquitto::MakeCertificates() {
    const std::string log = m_folder / "openssl.log";
    auto authority = [&](const std::string& name) {
        return Run({OPENSSL_PROGRAM, "req", "-x509", "-newkey", "ec", "-pkeyopt",
                    "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj", "/CN=" + name,
                    "-keyout", m_folder / (name + ".key"), "-out", m_folder / (name + ".crt")},
                   log);
    };
    std::ofstream(m_folder / "server.ext") << "subjectAltName=IP:127.0.0.1,DNS:localhost\n";
    return authority("ca") && authority("other-ca") &&
           Run({OPENSSL_PROGRAM, "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                "-nodes", "-subj", "/CN=localhost", "-keyout", m_folder / "server.key", "-out",
                m_folder / "server.csr"},
               log) &&
           Run({OPENSSL_PROGRAM, "x509", "-req", "-in", m_folder / "server.csr", "-CA", CaFile(),
                "-CAkey", m_folder / "ca.key", "-CAcreateserial", "-days", "2", "-extfile",
                m_folder / "server.ext", "-out", m_folder / "server.crt"},
               log);
}

bool Mosquitto::WriteConfiguration() {
    std::ofstream file(m_folder / "mosquitto.conf");
    // "user root": a broker started by root otherwise becomes the mosquitto user and cannot
    // read this private folder. Ignored when not started by root.
    file << "user root\npersistence false\nallow_anonymous true\nset_tcp_nodelay true\n"
         << "log_dest file " << (m_folder / "mosquitto.log") << "\n"
         << "listener " << m_port << " 127.0.0.1\n";
    if (m_tls) {
        file << "listener " << m_tlsPort << " 127.0.0.1\n"
             << "cafile " << CaFile() << "\ncertfile " << (m_folder / "server.crt") << "\nkeyfile "
             << (m_folder / "server.key") << "\n";
    }
    file.close();
    return static_cast<bool>(file);
}

bool Mosquitto::Start() {
    Kill();
    if (!m_prepared) {
        m_prepared = !m_folder.Path().empty() && m_port != 0 && (!m_tls || m_tlsPort != 0) &&
                     (!m_tls || MakeCertificates()) && WriteConfiguration();
        if (!m_prepared) {
            m_problem = "cannot prepare mosquitto's configuration; openssl said:\n" +
                        FileText(m_folder / "openssl.log");
            return false;
        }
    }
    if (::access(MOSQUITTO_PROGRAM, X_OK) != 0) {
        m_problem =
            std::string(MOSQUITTO_PROGRAM) + " is missing: install mosquitto (scripts/setup)";
        return false;
    }
    std::ofstream(m_folder / "mosquitto.log", std::ios::trunc).close();
    m_pid = Spawn({MOSQUITTO_PROGRAM, "-c", m_folder / "mosquitto.conf"}, m_folder / "output.log");
    const auto deadline = std::chrono::steady_clock::now() + START_TIME;
    while (!Running()) {
        int status = 0;
        if (m_pid < 0 || ::waitpid(m_pid, &status, WNOHANG) == m_pid ||
            std::chrono::steady_clock::now() > deadline) {
            m_pid = -1;
            m_problem = "mosquitto did not start; its log:\n" +
                        FileText(m_folder / "mosquitto.log") + FileText(m_folder / "output.log");
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The broker logs that it runs once every listener is open.
bool Mosquitto::Running() const {
    return FileText(m_folder / "mosquitto.log").find(" running") != std::string::npos;
}

void Mosquitto::Kill() {
    if (m_pid <= 0) {
        return;
    }
    ::kill(m_pid, SIGKILL);
    Reap(m_pid);
    m_pid = -1;
}
