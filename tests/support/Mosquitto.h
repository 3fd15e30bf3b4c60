#pragma once

#include <string>

#include "support/ServerProcess.h"
#include "support/TempDir.h"

// A real mosquitto broker on 127.0.0.1 at a free port, with a configuration written in a
// private folder. With TLS it also listens on a second port with a broker certificate for
// 127.0.0.1 and "localhost", signed by a certificate authority made with openssl for this
// broker alone; the plain port stays for test subscribers. Started, killed and started again
// (same ports, nothing retained across) by its owner; killed at the end.
class Mosquitto {
public:
    explicit Mosquitto(bool tls = false);
    Mosquitto(const Mosquitto&) = delete;
    Mosquitto& operator=(const Mosquitto&) = delete;

    // Starts the broker and waits until it listens; false with Problem() set.
    bool Start();
    // Ends it at once (SIGKILL), as a crash would.
    void Kill();
    const std::string& Problem() const { return m_problem; }

    unsigned Port() const { return m_port; }
    unsigned TlsPort() const { return m_tlsPort; }
    // The certificate authority that signed the broker's certificate (TLS only).
    std::string CaFile() const { return m_folder / "ca.crt"; }
    // Another certificate authority, made the same way, that signed nothing.
    std::string OtherCaFile() const { return m_folder / "other-ca.crt"; }

private:
    bool MakeCertificates();
    bool WriteConfiguration();
    bool Running() const;

    TempDir m_folder;
    bool m_tls;
    unsigned m_port = 0;
    unsigned m_tlsPort = 0;
    bool m_prepared = false;
    ServerProcess m_server;
    std::string m_problem;
};
