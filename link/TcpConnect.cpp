#include "link/TcpConnect.h"

#include <array>
#include <cerrno>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>

#include "common/LinkError.h"

namespace {

using Clock = std::chrono::steady_clock;

// A silent peer is probed after 5 s and given up after 3 unanswered probes 2 s apart; sent
// bytes left unacknowledged for 10 s end the connection too.
constexpr int KEEPALIVE_IDLE_S = 5;
constexpr int KEEPALIVE_INTERVAL_S = 2;
constexpr int KEEPALIVE_PROBES = 3;
constexpr unsigned UNACKNOWLEDGED_LIMIT_MS = 10000;

// One name lookup. It may outlive the Open that started it, so it is shared with the thread
// that does it and frees its result itself. The thread signals `done` (an eventfd) when it
// has stored its result, so that the wait for it can also watch for a cancel.
struct Lookup {
    FileDescriptor done{::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)};
    int status = 0;
    int systemError = 0; // errno of the thread that looked up, for EAI_SYSTEM
    addrinfo* result = nullptr;

    ~Lookup() {
        if (result != nullptr) {
            ::freeaddrinfo(result);
        }
    }
};

void Resolve(const std::string& host, const std::string& port, int flags, Lookup& lookup) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags | AI_NUMERICSERV;
    lookup.status = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &lookup.result);
    lookup.systemError = errno;
}

// 0 when fd has the events before the deadline, else ETIMEDOUT, ECANCELED or the poll error.
int WaitFor(int fd, short events, int cancel, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return ETIMEDOUT;
        }
        std::array<pollfd, 2> entries{{{fd, events, 0}, {cancel, POLLIN, 0}}};
        const int ready = ::poll(entries.data(), entries.size(), static_cast<int>(left));
        if (ready < 0 && errno != EINTR) {
            return errno;
        }
        if (ready > 0) {
            return entries[1].revents != 0 ? ECANCELED : 0;
        }
    }
}

// A numeric address needs no lookup; a name is looked up on a thread of its own, because
// getaddrinfo cannot be given a time limit.
bool Find(const std::string& host, const std::string& port, Clock::time_point deadline, int cancel,
          std::shared_ptr<Lookup>& lookup, std::uint32_t& error) {
    lookup = std::make_shared<Lookup>();
    if (!lookup->done) {
        error = static_cast<std::uint32_t>(errno);
        return false;
    }
    Resolve(host, port, AI_NUMERICHOST, *lookup);
    if (lookup->status == EAI_NONAME) {
        try {
            std::thread([lookup, host, port] {
                Resolve(host, port, 0, *lookup);
                // The eventfd's write and read order the result before its use.
                ::eventfd_write(lookup->done.Get(), 1);
            }).detach();
        } catch (const std::system_error& failure) {
            error = static_cast<std::uint32_t>(failure.code().value());
            return false;
        }
        const int waited = WaitFor(lookup->done.Get(), POLLIN, cancel, deadline);
        if (waited != 0) {
            error = static_cast<std::uint32_t>(waited);
            return false;
        }
        eventfd_t ignored = 0;
        ::eventfd_read(lookup->done.Get(), &ignored);
    }
    if (lookup->status != 0) {
        error = LookupFailure(lookup->status, lookup->systemError);
        return false;
    }
    return true;
}

void TuneSocket(int fd) {
    // Best effort: a connection without these still works, it only notices a lost peer later.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &KEEPALIVE_IDLE_S, sizeof KEEPALIVE_IDLE_S);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &KEEPALIVE_INTERVAL_S,
                 sizeof KEEPALIVE_INTERVAL_S);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &KEEPALIVE_PROBES, sizeof KEEPALIVE_PROBES);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &UNACKNOWLEDGED_LIMIT_MS,
                 sizeof UNACKNOWLEDGED_LIMIT_MS);
}

// 0 when connected, else the errno of the failure (ETIMEDOUT once the deadline has passed).
int ConnectOne(const addrinfo& address, Clock::time_point deadline, int cancel,
               FileDescriptor& socket) {
    socket.Reset(::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          address.ai_protocol));
    if (!socket) {
        return errno;
    }
    if (::connect(socket.Get(), address.ai_addr, address.ai_addrlen) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS) {
        return errno;
    }
    const int waited = WaitFor(socket.Get(), POLLOUT, cancel, deadline);
    if (waited != 0) {
        return waited;
    }
    int result = 0;
    socklen_t size = sizeof result;
    if (::getsockopt(socket.Get(), SOL_SOCKET, SO_ERROR, &result, &size) != 0) {
        return errno;
    }
    return result;
}

} // namespace

std::uint32_t LookupFailure(int status, int systemError) {
    switch (status) {
    case EAI_SYSTEM:
        return static_cast<std::uint32_t>(systemError);
    case EAI_MEMORY:
        return ENOMEM;
    case EAI_NONAME:
    case EAI_NODATA:
        return LINK_ERROR_HOST_NOT_FOUND;
    default:
        return LINK_ERROR_LOOKUP_FAILED - static_cast<std::uint32_t>(status);
    }
}

bool ConnectTcp(const std::string& host, const std::string& port, Clock::time_point deadline,
                int cancel, FileDescriptor& socket, std::uint32_t& error) {
    std::shared_ptr<Lookup> lookup;
    if (!Find(host, port, deadline, cancel, lookup, error)) {
        return false;
    }
    int failure = ENOENT;
    for (const addrinfo* address = lookup->result; address != nullptr; address = address->ai_next) {
        failure = ConnectOne(*address, deadline, cancel, socket);
        if (failure == 0) {
            TuneSocket(socket.Get());
            return true;
        }
        socket.Reset();
        if (failure == ETIMEDOUT || failure == ECANCELED) {
            break;
        }
    }
    error = static_cast<std::uint32_t>(failure);
    return false;
}
