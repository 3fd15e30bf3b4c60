#include "link/SerialPort.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

#include "link/LineFormat.h"
#include "link/PortMap.h"

namespace {

// While a line stays hung up the receive thread calls Read back to back; each of those Reads
// waits this long (or until Close) before it fails, so the thread never spins.
constexpr std::chrono::milliseconds HANG_UP_PAUSE{100};

constexpr std::chrono::milliseconds OUTPUT_DRAIN_CHECK{2};

constexpr std::size_t CHUNK_SIZE = 1024;
constexpr unsigned char LAST_SEVEN_BIT_CHARACTER = 0x7F;

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

// Gives the bytes still in the driver's output buffer the time the line needs to send them
// (tcdrain() would wait for ever on a stalled device), so a close does not cut off the last
// command.
void DrainOutput(int fd) {
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
        return;
    }
    const auto deadline = Clock::now() + LineWriteDeadline(static_cast<std::size_t>(queued));
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(OUTPUT_DRAIN_CHECK);
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
            m_device = port.m_device.Get();
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

private:
    CSerialPort& m_port;
    bool m_admitted = false;
    int m_device = -1;
    int m_wake = -1;
};

CSerialPort::CSerialPort() = default;

// Unlike a bare handle, the port does not outlive its object: whatever is still open is
// released here, so a forgotten Close cannot leave the device locked.
CSerialPort::~CSerialPort() {
    Close();
}

bool CSerialPort::Open(const std::string& portName) {
    const std::lock_guard lock(m_stateMutex);
    if (m_open) {
        return Fail(EBUSY);
    }
    m_deviceName = PortMap().DevicePath(portName);
    FileDescriptor wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake) {
        return Fail();
    }
    FileDescriptor device;
    if (!TakeDevice(m_deviceName, device)) {
        return false;
    }
    if (!PrepareLine(device.Get())) {
        ::ioctl(device.Get(), TIOCNXCL);
        return false;
    }
    // Best effort: a pseudo-terminal has no modem lines and refuses.
    int dtr = TIOCM_DTR;
    ::ioctl(device.Get(), TIOCMBIS, &dtr);
    m_writeErrors.Start(device.Get());
    m_readErrors.Start(device.Get());
    m_device = std::move(device);
    m_wake = std::move(wake);
    m_open = true;
    return true;
}

bool CSerialPort::TakeDevice(const std::string& path, FileDescriptor& device) {
    device.Reset(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!device) {
        return Fail();
    }
    // TIOCEXCL keeps later opens out, except root's. The lock keeps out every opener that
    // locks too, root included, and a second port object in this process as well, because
    // each open() makes its own open file description.
    if (::flock(device.Get(), LOCK_EX | LOCK_NB) != 0) {
        return Fail();
    }
    if (::ioctl(device.Get(), TIOCEXCL) != 0 && errno != ENOTTY && errno != EINVAL) {
        return Fail();
    }
    return true;
}

bool CSerialPort::PrepareLine(int fd) {
    if (tcgetattr(fd, &m_savedSettings) != 0 || !ApplyLineFormat(fd, m_savedSettings)) {
        return Fail();
    }
    // Whatever the device collected before it was ours is no reply to us.
    if (tcflush(fd, TCIOFLUSH) != 0) {
        const int error = errno;
        tcsetattr(fd, TCSANOW, &m_savedSettings);
        return Fail(error);
    }
    return true;
}

bool CSerialPort::Close() {
    std::unique_lock lock(m_stateMutex);
    if (!m_open) {
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
    ReleaseDevice();
    m_open = false;
    m_closing = false;
    m_stateChanged.notify_all();
    return true;
}

void CSerialPort::ReleaseDevice() {
    // Every step is best effort: a device that has gone away refuses them all and is released
    // all the same.
    const int fd = m_device.Get();
    int dtr = TIOCM_DTR;
    ::ioctl(fd, TIOCMBIC, &dtr);
    DrainOutput(fd);
    // Only what came in is of no use any more; what goes out may be a command still on its way.
    tcflush(fd, TCIFLUSH);
    tcsetattr(fd, TCSANOW, &m_savedSettings);
    ::ioctl(fd, TIOCNXCL);
    m_device.Reset();
    m_wake.Reset();
    m_lines.Clear();
    m_decoder.Reset();
}

bool CSerialPort::IsOpen() const {
    return m_open;
}

std::uint32_t CSerialPort::LastError() const {
    return m_lastError;
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
    if (!WriteAll(use, bytes, length)) {
        return false;
    }
    // No tcdrain(): it cannot be interrupted by Close, and on a pseudo-terminal it may wait for
    // the far end. The bytes are with the driver, which sends them in order; a reply can only
    // follow them, so reply timers lose nothing by starting now.
    if (m_writeErrors.NewErrors(use.Device())) {
        return Fail(EIO);
    }
    return true;
}

// A device that stops taking bytes (a stalled adapter, a far end that no longer reads) must not
// hold the writer, and with it every other writer and the window, for ever.
bool CSerialPort::WriteAll(const Use& use, const char* bytes, std::uint32_t length) {
    const Clock::time_point deadline = Clock::now() + LineWriteDeadline(length);
    std::uint32_t written = 0;
    while (written < length) {
        const ssize_t count = ::write(use.Device(), bytes + written, length - written);
        if (count > 0) {
            written += static_cast<std::uint32_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && errno != EAGAIN) {
            return Fail();
        }
        switch (WaitForDevice(use.Device(), POLLOUT, use.Wake(), deadline)) {
        case Event::Ready:
            break;
        case Event::Woken:
            return false;
        case Event::HungUp:
            return Fail(EIO);
        case Event::TimedOut:
            return Fail(ETIMEDOUT);
        case Event::Failed:
            return Fail();
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
    std::array<char, CHUNK_SIZE> chunk;
    const ssize_t count = ::read(use.Device(), chunk.data(), chunk.size());
    if (count > 0) {
        Decode(chunk.data(), static_cast<std::size_t>(count), use.Device());
        return true;
    }
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
        return true;
    }
    // End of file on a terminal means its far side is gone: a pulled adapter or a closed
    // pseudo-terminal master.
    if (count == 0 || errno == EIO) {
        return HangUp(use);
    }
    return Fail();
}

void CSerialPort::Decode(const char* bytes, std::size_t count, int fd) {
    m_decoded.clear();
    m_decoder.Decode({bytes, count}, m_decoded);
    for (const MarkedByteDecoder::Item& item : m_decoded) {
        // The sensor talks 7-bit ASCII on a 7-bit line, so a byte above 0x7F comes only from a
        // peer on another line format (or from a pseudo-terminal, which cannot run 7 bits).
        // Stripping the top bit could forge a CR (0x8D) or a plausible digit, so such a byte
        // is treated like a parity error: it never enters the text and its line fails.
        if (item.kind == MarkedByteDecoder::Kind::Character &&
            item.value <= LAST_SEVEN_BIT_CHARACTER) {
            m_lines.Add(static_cast<char>(item.value));
        } else {
            m_lines.MarkLineError();
        }
    }
    if (m_readErrors.NewErrors(fd)) {
        m_lines.MarkLineError();
    }
}

bool CSerialPort::HangUp(const Use& use) {
    PauseUnlessWoken(use.Wake(), HANG_UP_PAUSE);
    return Fail(EIO);
}

bool CSerialPort::Fail() {
    return Fail(errno);
}

bool CSerialPort::Fail(int error) {
    m_lastError = static_cast<std::uint32_t>(error);
    return false;
}
