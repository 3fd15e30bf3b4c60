#include "link/SerialPort.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "common/LinkError.h"
#include "link/LineFormat.h"
#include "link/PortMap.h"

namespace {

// While a line stays hung up the receive thread calls Read back to back; each of those Reads
// waits this long (or until Close) before it fails, so the thread never spins.
constexpr std::chrono::milliseconds HANG_UP_PAUSE{100};
// Between two tries of a remote line whose server is still busy with its previous client.
constexpr std::chrono::milliseconds IN_USE_RETRY_PAUSE{50};

enum class Event : std::uint8_t { Ready, HungUp, Woken, TimedOut, Failed };

using Clock = std::chrono::steady_clock;

// Milliseconds left until deadline for poll(), at least 0; -1 (no limit) without a deadline.
int PollTimeout(const std::optional<Clock::time_point>& deadline) {
    if (!deadline) {
        return -1;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

// Waits until the device has `events` or has hung up, until Close signals wake, or until the
// deadline (if any) passes. Failed leaves errno set.
Event WaitForDevice(int device, short events, int wake,
                    std::optional<Clock::time_point> deadline = std::nullopt) {
    std::array<pollfd, 2> fds{{{wake, POLLIN, 0}, {device, events, 0}}};
    for (;;) {
        const int ready = ::poll(fds.data(), fds.size(), PollTimeout(deadline));
        if (ready > 0) {
            break;
        }
        if (ready == 0) {
            return Event::TimedOut;
        }
        if (errno != EINTR) {
            return Event::Failed;
        }
    }
    if (fds[0].revents != 0) {
        return Event::Woken;
    }
    if ((fds[1].revents & POLLNVAL) != 0) {
        errno = EBADF;
        return Event::Failed;
    }
    // Data still readable after a hang-up is taken first; the read after it reports the end.
    return (fds[1].revents & events) != 0 ? Event::Ready : Event::HungUp;
}

void PauseUnlessWoken(int wake, std::chrono::milliseconds pause) {
    const auto deadline = std::chrono::steady_clock::now() + pause;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return;
        }
        pollfd fd{wake, POLLIN, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(left.count()));
        if (ready > 0 || (ready < 0 && errno != EINTR)) {
            return;
        }
    }
}

} // namespace

// Admits one Read or Write to the device unless the port is closed or closing, and keeps
// Close from releasing the device until it has left.
class CSerialPort::Use {
public:
    explicit Use(CSerialPort& port) : m_port(port) {
        const std::lock_guard lock(port.m_stateMutex);
        m_admitted = port.m_open && !port.m_closing;
        if (m_admitted) {
            ++port.m_users;
            m_device = port.m_transport->Descriptor();
            m_transport = port.m_transport.get();
            m_wake = port.m_wake.Get();
        }
    }
    ~Use() {
        if (!m_admitted) {
            return;
        }
        const std::lock_guard lock(m_port.m_stateMutex);
        if (--m_port.m_users == 0) {
            m_port.m_stateChanged.notify_all();
        }
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

    explicit operator bool() const { return m_admitted; }
    int Device() const { return m_device; }
    int Wake() const { return m_wake; }
    LinkTransport& Transport() const { return *m_transport; }

private:
    CSerialPort& m_port;
    bool m_admitted = false;
    int m_device = -1;
    int m_wake = -1;
    LinkTransport* m_transport = nullptr;
};

CSerialPort::CSerialPort() = default;

// Unlike a bare handle, the port does not outlive its object: whatever is still open is
// released here, so a forgotten Close cannot leave the device locked.
CSerialPort::~CSerialPort() {
    Close();
}

bool CSerialPort::Open(const std::string& portName, std::chrono::milliseconds inUseRetry) {
    std::unique_lock lock(m_stateMutex);
    if (m_open || m_opening) {
        return Fail(EBUSY);
    }
    m_deviceName = PortMap().DevicePath(portName);
    FileDescriptor wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake) {
        return Fail();
    }
    // Opening a remote line may take seconds (connecting, negotiating). It runs outside the
    // lock, so that Close can cut it short through the same event that wakes a reader.
    m_wake = std::move(wake);
    m_opening = true;
    lock.unlock();
    std::uint32_t error = 0;
    std::unique_ptr<LinkTransport> transport = OpenTransport(Clock::now() + inUseRetry, error);
    lock.lock();
    m_opening = false;
    m_stateChanged.notify_all();
    if (transport && m_cancelled) {
        transport->Release();
    }
    if (!transport || m_cancelled) {
        m_cancelled = false;
        m_wake.Reset();
        return Fail(transport ? static_cast<std::uint32_t>(ECANCELED) : error);
    }
    m_transport = std::move(transport);
    m_open = true;
    return true;
}

// A remote server keeps its device for a moment after its previous client has left, and
// answers "in use" meanwhile; until retryUntil that is taken for the moment it is.
std::unique_ptr<LinkTransport> CSerialPort::OpenTransport(Clock::time_point retryUntil,
                                                          std::uint32_t& error) {
    for (;;) {
        std::unique_ptr<LinkTransport> transport = MakeTransport(m_deviceName, error);
        if (!transport || transport->Open(m_wake.Get(), error)) {
            return transport;
        }
        if (error != LINK_ERROR_SERVER_IN_USE || Clock::now() + IN_USE_RETRY_PAUSE > retryUntil) {
            return nullptr;
        }
        PauseUnlessWoken(m_wake.Get(), IN_USE_RETRY_PAUSE);
        if (m_cancelled) {
            error = ECANCELED;
            return nullptr;
        }
    }
}

void CSerialPort::CancelOpen() {
    std::unique_lock lock(m_stateMutex);
    CancelOpening(lock);
}

// Close during an Open: the opening thread finds the event signalled, gives up and releases
// what it opened; this waits until it has.
bool CSerialPort::CancelOpening(std::unique_lock<std::mutex>& lock) {
    if (!m_opening) {
        return false;
    }
    m_cancelled = true;
    ::eventfd_write(m_wake.Get(), 1);
    m_stateChanged.wait(lock, [this] { return !m_opening; });
    return true;
}

bool CSerialPort::Close() {
    std::unique_lock lock(m_stateMutex);
    if (CancelOpening(lock) || !m_open) {
        return true;
    }
    if (m_closing) {
        m_stateChanged.wait(lock, [this] { return !m_open; });
        return true;
    }
    m_closing = true;
    // close() would not wake a thread in poll(); the event does, for good, since nobody
    // reads it back.
    ::eventfd_write(m_wake.Get(), 1);
    m_stateChanged.wait(lock, [this] { return m_users == 0; });
    m_transport->Release();
    m_transport.reset();
    m_wake.Reset();
    m_lines.Clear();
    m_replies.clear();
    m_open = false;
    m_closing = false;
    m_stateChanged.notify_all();
    return true;
}

bool CSerialPort::IsOpen() const {
    return m_open;
}

std::uint32_t CSerialPort::LastError() const {
    return m_lastError;
}

std::uint32_t CSerialPort::LastWriteError() const {
    return m_lastWriteError;
}

bool CSerialPort::Write(const char* bytes, std::uint32_t length) {
    const Use use(*this);
    if (!use) {
        return false;
    }
    const std::lock_guard writing(m_writeMutex);
    if (m_closing) {
        return false;
    }
    std::uint32_t error = 0;
    if (!WriteAll(use, use.Transport().Encode({bytes, length}), error)) {
        return FailWrite(error);
    }
    // No tcdrain(): it cannot be interrupted by Close, and on a pseudo-terminal it may wait for
    // the far end. The bytes are with the driver, which sends them in order; a reply can only
    // follow them, so reply timers lose nothing by starting now.
    if (use.Transport().SendDamaged()) {
        return FailWrite(EIO);
    }
    return true;
}

// A device that stops taking bytes (a stalled adapter, a far end that no longer reads) must not
// hold the writer, and with it every other writer and the window, for ever. False with the
// reason in error, or with 0 there when Close ended the wait.
bool CSerialPort::WriteAll(const Use& use, const std::string& wire, std::uint32_t& error) {
    const Clock::time_point deadline = Clock::now() + LineWriteDeadline(wire.size());
    std::size_t written = 0;
    error = 0;
    while (written < wire.size()) {
        const ssize_t count = use.Transport().Send(wire.data() + written, wire.size() - written);
        if (count > 0) {
            written += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && errno != EAGAIN) {
            error = static_cast<std::uint32_t>(errno);
            return false;
        }
        switch (WaitForDevice(use.Device(), POLLOUT, use.Wake(), deadline)) {
        case Event::Ready:
            break;
        case Event::Woken:
            return false;
        case Event::HungUp:
            error = EIO;
            return false;
        case Event::TimedOut:
            error = ETIMEDOUT;
            return false;
        case Event::Failed:
            error = static_cast<std::uint32_t>(errno);
            return false;
        }
    }
    return true;
}

bool CSerialPort::Read(char* buffer, std::uint32_t capacity, std::uint32_t& bytesRead) {
    bytesRead = 0;
    buffer[0] = '\0';
    const Use use(*this);
    if (!use) {
        return false;
    }
    for (;;) {
        switch (m_lines.Take(buffer, capacity, bytesRead)) {
        case LineAssembler::Result::Line:
            return true;
        case LineAssembler::Result::Damaged:
            return Fail(EIO);
        case LineAssembler::Result::Overlong:
            return Fail(EMSGSIZE);
        case LineAssembler::Result::Incomplete:
            break;
        }
        if (!Receive(use)) {
            return false;
        }
    }
}

bool CSerialPort::Receive(const Use& use) {
    switch (WaitForDevice(use.Device(), POLLIN, use.Wake())) {
    case Event::Ready:
        break;
    case Event::Woken:
        return false;
    case Event::HungUp:
        return HangUp(use);
    case Event::TimedOut: // no deadline is given, so this cannot happen
    case Event::Failed:
        return Fail();
    }
    std::uint32_t error = 0;
    switch (use.Transport().Receive(m_lines, m_replies, error)) {
    case LinkTransport::Received::Data:
    case LinkTransport::Received::Nothing:
        return Reply(use);
    case LinkTransport::Received::Ended:
        return HangUp(use);
    case LinkTransport::Received::Failed:
        break;
    }
    return Fail(error);
}

bool CSerialPort::Reply(const Use& use) {
    if (m_replies.empty()) {
        return true;
    }
    const std::lock_guard writing(m_writeMutex);
    std::uint32_t error = 0;
    const bool sent = WriteAll(use, m_replies, error);
    m_replies.clear();
    return sent || (error != 0 && Fail(error));
}

bool CSerialPort::HangUp(const Use& use) {
    PauseUnlessWoken(use.Wake(), HANG_UP_PAUSE);
    return Fail(EIO);
}

bool CSerialPort::Fail() {
    return Fail(errno);
}

bool CSerialPort::Fail(int error) {
    return Fail(static_cast<std::uint32_t>(error));
}

bool CSerialPort::Fail(std::uint32_t error) {
    m_lastError = error;
    return false;
}

// A reason of 0 (Close ended the wait) leaves the last errors as they are.
bool CSerialPort::FailWrite(std::uint32_t error) {
    if (error != 0) {
        m_lastWriteError = error;
        m_lastError = error;
    }
    return false;
}
