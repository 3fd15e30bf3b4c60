#include "link/TcpConnect.h"

#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>

#include "link/LinkError.h"

namespace {

using Clock = std::chrono::steady_clock;

// A silent peer is probed after 5 s and given up after 3 unanswered probes 2 s apart; sent
// bytes left unacknowledged for 10 s end the connection too.
constexpr int KEEPALIVE_IDLE_S = 5;
constexpr int KEEPALIVE_INTERVAL_S = 2;
constexpr int KEEPALIVE_PROBES = 3;
constexpr unsigned UNACKNOWLEDGED_LIMIT_MS = 10000;

// One name lookup. It may outlive the Open that started it, so it is shared with the thread
// that does it and frees its result itself.
struct Lookup {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    int status = 0;
    addrinfo* result = nullptr;

    ~Lookup() {
        if (result != nullptr) {
            ::freeaddrinfo(result);
        }
    }
};

int Resolve(const std::string& host, const std::string& port, int flags, addrinfo*& result) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags | AI_NUMERICSERV;
    return ::getaddrinfo(host.c_str(), port.c_str(), &hints, &result);
}

std::uint32_t LookupError(int status) {
    if (status == EAI_SYSTEM) {
        return static_cast<std::uint32_t>(errno);
    }
    return status == EAI_MEMORY ? ENOMEM : LINK_ERROR_HOST_NOT_FOUND;
}

// A numeric address needs no lookup; a name is looked up on a thread of its own, because
// getaddrinfo cannot be given a time limit.
bool Find(const std::string& host, const std::string& port, Clock::time_point deadline,
          std::shared_ptr<Lookup>& lookup, std::uint32_t& error) {
    lookup = std::make_shared<Lookup>();
    int status = Resolve(host, port, AI_NUMERICHOST, lookup->result);
    if (status == EAI_NONAME) {
        try {
            std::thread([lookup, host, port] {
                addrinfo* result = nullptr;
                const int found = Resolve(host, port, 0, result);
                const std::lock_guard lock(lookup->mutex);
                lookup->status = found;
                lookup->result = result;
                lookup->done = true;
                lookup->finished.notify_all();
            }).detach();
        } catch (const std::system_error& failure) {
            error = static_cast<std::uint32_t>(failure.code().value());
            return false;
        }
        std::unique_lock lock(lookup->mutex);
        if (!lookup->finished.wait_until(lock, deadline, [&] { return lookup->done; })) {
            error = ETIMEDOUT;
            return false;
        }
        status = lookup->status;
    }
    if (status != 0) {
        error = LookupError(status);
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
int ConnectOne(const addrinfo& address, Clock::time_point deadline, FileDescriptor& socket) {
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
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return ETIMEDOUT;
        }
        pollfd fd{socket.Get(), POLLOUT, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) {
            return errno;
        }
        if (ready > 0) {
            int result = 0;
            socklen_t size = sizeof result;
            if (::getsockopt(socket.Get(), SOL_SOCKET, SO_ERROR, &result, &size) != 0) {
                return errno;
            }
            return result;
        }
    }
}

} // namespace

bool ConnectTcp(const std::string& host, const std::string& port, Clock::time_point deadline,
                FileDescriptor& socket, std::uint32_t& error) {
    std::shared_ptr<Lookup> lookup;
    if (!Find(host, port, deadline, lookup, error)) {
        return false;
    }
    int failure = ENOENT;
    for (const addrinfo* address = lookup->result; address != nullptr; address = address->ai_next) {
        failure = ConnectOne(*address, deadline, socket);
        if (failure == 0) {
            TuneSocket(socket.Get());
            return true;
        }
        socket.Reset();
        if (failure == ETIMEDOUT) {
            break;
        }
    }
    error = static_cast<std::uint32_t>(failure);
    return false;
}
