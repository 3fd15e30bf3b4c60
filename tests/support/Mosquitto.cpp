#include "support/Mosquitto.h"

#include <chrono>
#include <fstream>
#include <unistd.h>

#include "support/FileText.h"
#include "support/ServerProcess.h"

namespace {

constexpr const char* MOSQUITTO_PROGRAM = "/usr/sbin/mosquitto";
constexpr const char* OPENSSL_PROGRAM = "/usr/bin/openssl";
constexpr auto START_TIME = std::chrono::seconds(5);

} // namespace

Mosquitto::Mosquitto(bool tls)
    : m_tls(tls), m_port(FreeLoopbackPort()), m_tlsPort(tls ? FreeLoopbackPort() : 0) {
}

// P-256 keys: made in milliseconds, where RSA keys would slow every TLS test down.
bool Mosquitto::MakeCertificates() {
    const std::string log = m_folder / "openssl.log";
    auto authority = [&](const std::string& name) {
        return RunToEnd({OPENSSL_PROGRAM, "req", "-x509", "-newkey", "ec", "-pkeyopt",
                         "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2", "-subj",
                         "/CN=" + name, "-keyout", m_folder / (name + ".key"), "-out",
                         m_folder / (name + ".crt")},
                        log);
    };
    std::ofstream(m_folder / "server.ext") << "subjectAltName=IP:127.0.0.1,DNS:localhost\n";
    return authority("ca") && authority("other-ca") &&
           RunToEnd({OPENSSL_PROGRAM, "req", "-newkey", "ec", "-pkeyopt",
                     "ec_paramgen_curve:prime256v1", "-nodes", "-subj", "/CN=localhost", "-keyout",
                     m_folder / "server.key", "-out", m_folder / "server.csr"},
                    log) &&
           RunToEnd({OPENSSL_PROGRAM, "x509", "-req", "-in", m_folder / "server.csr", "-CA",
                     CaFile(), "-CAkey", m_folder / "ca.key", "-CAcreateserial", "-days", "2",
                     "-extfile", m_folder / "server.ext", "-out", m_folder / "server.crt"},
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
    std::string error;
    if (!m_server.Start({MOSQUITTO_PROGRAM, "-c", m_folder / "mosquitto.conf"},
                        m_folder / "output.log", error) ||
        !m_server.AwaitReady([this] { return Running(); }, START_TIME)) {
        m_problem = "mosquitto did not start; its log:\n" + FileText(m_folder / "mosquitto.log") +
                    FileText(m_folder / "output.log");
        return false;
    }
    return true;
}

// The broker logs that it runs once every listener is open.
bool Mosquitto::Running() const {
    return FileText(m_folder / "mosquitto.log").find(" running") != std::string::npos;
}

void Mosquitto::Kill() {
    m_server.Kill();
}
