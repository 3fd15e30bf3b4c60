#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "common/FileDescriptor.h"

// A TCP server on 127.0.0.1 that plays a peer the tests cannot get from a real server: each
// connection, one after the other, is handed to the handler on the server's own thread. The
// handler returns when it is done with the connection or when Stopping() says so.
class LoopbackServer {
public:
    using Handler = std::function<void(int connection, const LoopbackServer& server)>;

    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // "HOST:PORT" for socket:// or rfc2217://; empty when the server could not start.
    std::string Address() const { return m_address; }
    bool Stopping() const { return m_stopping; }
    unsigned Accepted() const { return m_accepted; }

    // Waits up to timeoutMs for the connection to have bytes; false when it has none (or ended).
    static bool Readable(int connection, int timeoutMs);
    // Sends all of bytes unless the peer goes away; false then.
    static bool SendAll(int connection, const std::string& bytes);

private:
    void Serve();

    Handler m_handler;
    FileDescriptor m_listener;
    std::string m_address;
    std::atomic<bool> m_stopping{false};
    std::atomic<unsigned> m_accepted{0};
    std::thread m_thread;
};
