#include "link/TcpTransport.h"

#include <array>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

#include "link/TcpConnect.h"

namespace {

constexpr std::size_t CHUNK_SIZE = 1024;

// Errors with which a connection ends rather than the port failing.
bool ConnectionEnded(int error) {
    return error == ECONNRESET || error == ETIMEDOUT || error == EPIPE || error == ENOTCONN ||
           error == ECONNABORTED || error == EHOSTUNREACH || error == ENETUNREACH ||
           error == ENETDOWN || error == EHOSTDOWN;
}

// ready: 1 when fd has the events, 0 when the deadline passed (or a signal came). False with
// errno set on failure, ECANCELED when cancel was signalled.
bool PollFor(int fd, short events, int cancel, TcpTransport::Clock::time_point deadline,
             int& ready) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - TcpTransport::Clock::now()).count();
    std::array<pollfd, 2> entries{{{fd, events, 0}, {cancel, POLLIN, 0}}};
    ready = ::poll(entries.data(), entries.size(), left <= 0 ? 0 : static_cast<int>(left));
    if (ready < 0) {
        ready = 0;
        return errno == EINTR;
    }
    if (entries[1].revents != 0) {
        errno = ECANCELED;
        return false;
    }
    ready = entries[0].revents != 0 ? 1 : 0;
    return true;
}

} // namespace

bool TcpTransport::Connect(int cancel, std::uint32_t& error) {
    m_cancel = cancel;
    return ConnectTcp(m_address.host, m_address.port, Clock::now() + CONNECT_TIME, cancel, m_socket,
                      error);
}

LinkTransport::Received TcpTransport::ReceiveBytes(std::string& chunk, std::uint32_t& error) {
    std::array<char, CHUNK_SIZE> buffer;
    chunk.clear();
    const ssize_t count = ::recv(m_socket.Get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (count > 0) {
        chunk.assign(buffer.data(), static_cast<std::size_t>(count));
        return Received::Data;
    }
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
        return Received::Nothing;
    }
    if (count == 0 || ConnectionEnded(errno)) {
        return Received::Ended;
    }
    error = static_cast<std::uint32_t>(errno);
    return Received::Failed;
}

ssize_t TcpTransport::Send(const char* bytes, std::size_t length) {
    // A peer that has gone must fail the write, not raise SIGPIPE in a desktop program.
    const ssize_t count = ::send(m_socket.Get(), bytes, length, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (count < 0 && ConnectionEnded(errno)) {
        errno = EIO;
    }
    return count;
}

bool TcpTransport::SendBefore(std::string_view bytes, Clock::time_point deadline,
                              std::uint32_t& error) {
    while (!bytes.empty()) {
        const ssize_t count = Send(bytes.data(), bytes.size());
        if (count > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(count));
            continue;
        }
        int ready = 0;
        if ((count < 0 && errno != EAGAIN && errno != EINTR) ||
            !PollFor(m_socket.Get(), POLLOUT, m_cancel, deadline, ready)) {
            error = static_cast<std::uint32_t>(errno);
            return false;
        }
        if (ready == 0 && Clock::now() >= deadline) {
            error = ETIMEDOUT;
            return false;
        }
    }
    return true;
}

TcpTransport::Wait TcpTransport::Readable(Clock::time_point deadline, std::uint32_t& error) const {
    for (;;) {
        int ready = 0;
        if (!PollFor(m_socket.Get(), POLLIN, m_cancel, deadline, ready)) {
            error = static_cast<std::uint32_t>(errno);
            return Wait::Failed;
        }
        if (ready > 0) {
            return Wait::Ready;
        }
        if (ready == 0 && Clock::now() >= deadline) {
            return Wait::TimedOut;
        }
    }
}

bool TcpTransport::Abandon(std::uint32_t& error, std::uint32_t reason) {
    m_socket.Reset();
    error = reason;
    return false;
}
