#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

LoopbackServer::LoopbackServer(Handler handler)
    : m_handler(std::move(handler)), m_listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    auto* generic = reinterpret_cast<sockaddr*>(&address);
    if (!m_listener || ::bind(m_listener.Get(), generic, size) != 0 ||
        ::listen(m_listener.Get(), 4) != 0 ||
        ::getsockname(m_listener.Get(), generic, &size) != 0) {
        return;
    }
    m_address = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    m_thread = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
    m_stopping = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool LoopbackServer::Readable(int connection, int timeoutMs) {
    pollfd entry{connection, POLLIN, 0};
    return ::poll(&entry, 1, timeoutMs) > 0 && (entry.revents & POLLIN) != 0;
}

bool LoopbackServer::SendAll(int connection, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t count =
            ::send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(count);
    }
    return true;
}

void LoopbackServer::Serve() {
    constexpr int ACCEPT_CHECK_MS = 20;
    while (!m_stopping) {
        pollfd entry{m_listener.Get(), POLLIN, 0};
        if (::poll(&entry, 1, ACCEPT_CHECK_MS) <= 0) {
            continue;
        }
        const FileDescriptor connection(
            ::accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (connection) {
            ++m_accepted;
            m_handler(connection.Get(), *this);
        }
    }
}
