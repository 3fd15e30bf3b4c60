#include "link/TermiosTransport.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

#include "link/LineFormat.h"

namespace {

constexpr std::size_t CHUNK_SIZE = 1024;
constexpr std::chrono::milliseconds OUTPUT_DRAIN_CHECK{2};

// Gives the bytes still in the driver's output buffer the time the line needs to send them
// (tcdrain() would wait for ever on a stalled device), so a close does not cut off the last
// command.
void DrainOutput(int fd) {
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
        return;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + LineWriteDeadline(static_cast<std::size_t>(queued));
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(OUTPUT_DRAIN_CHECK);
    }
}

} // namespace

bool TermiosTransport::Open(int /*cancel*/, std::uint32_t& error) {
    m_setExclusive = false;
    if (!TakeDevice() || !PrepareLine()) {
        error = static_cast<std::uint32_t>(errno);
        GiveUpExclusive();
        m_device.Reset();
        return false;
    }
    // Best effort: a pseudo-terminal has no modem lines and refuses.
    int dtr = TIOCM_DTR;
    ::ioctl(m_device.Get(), TIOCMBIS, &dtr);
    RequestLowLatency();
    m_writeErrors.Start(m_device.Get());
    m_readErrors.Start(m_device.Get());
    return true;
}

bool TermiosTransport::TakeDevice() {
    m_device.Reset(::open(m_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!m_device) {
        return false;
    }
    // TIOCEXCL keeps later opens out, except root's. The lock keeps out every opener that
    // locks too, root included, and a second port object in this process as well, because
    // each open() makes its own open file description.
    if (::flock(m_device.Get(), LOCK_EX | LOCK_NB) != 0) {
        return false;
    }
    // Root gets past another program's exclusive mode; it is refused here as anyone else is.
    int held = 0;
    if (::ioctl(m_device.Get(), TIOCGEXCL, &held) == 0 && held != 0) {
        errno = EBUSY;
        return false;
    }
    m_setExclusive = ::ioctl(m_device.Get(), TIOCEXCL) == 0;
    return m_setExclusive || errno == ENOTTY || errno == EINVAL;
}

// The flag belongs to the terminal, not to this descriptor: clearing it after an open that
// did not set it would strip another program's hold on the port.
void TermiosTransport::GiveUpExclusive() {
    if (m_setExclusive) {
        ::ioctl(m_device.Get(), TIOCNXCL);
        m_setExclusive = false;
    }
}

bool TermiosTransport::PrepareLine() {
    const int fd = m_device.Get();
    if (tcgetattr(fd, &m_savedSettings) != 0 || !ApplyLineFormat(fd, m_savedSettings)) {
        return false;
    }
    // Whatever the device collected before it was ours is no reply to us.
    if (tcflush(fd, TCIOFLUSH) != 0) {
        const int error = errno;
        tcsetattr(fd, TCSANOW, &m_savedSettings);
        errno = error;
        return false;
    }
    return true;
}

LinkTransport::Received TermiosTransport::Receive(LineAssembler& lines, std::string& /*replies*/,
                                                  std::uint32_t& error) {
    std::array<char, CHUNK_SIZE> chunk;
    const ssize_t count = ::read(m_device.Get(), chunk.data(), chunk.size());
    if (count > 0) {
        Decode(chunk.data(), static_cast<std::size_t>(count), lines);
        return Received::Data;
    }
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
        return Received::Nothing;
    }
    // End of file on a terminal means its far side is gone: a pulled adapter or a closed
    // pseudo-terminal master.
    if (count == 0 || errno == EIO) {
        return Received::Ended;
    }
    error = static_cast<std::uint32_t>(errno);
    return Received::Failed;
}

void TermiosTransport::Decode(const char* bytes, std::size_t count, LineAssembler& lines) {
    m_decoded.clear();
    m_decoder.Decode({bytes, count}, m_decoded);
    for (const MarkedByteDecoder::Item& item : m_decoded) {
        switch (item.kind) {
        case MarkedByteDecoder::Kind::Character:
            lines.AddWireByte(item.value);
            break;
        case MarkedByteDecoder::Kind::BadCharacter:
            lines.AddDamaged();
            break;
        case MarkedByteDecoder::Kind::Break:
            lines.MarkLineError();
            break;
        }
    }
    if (m_readErrors.NewErrors(m_device.Get())) {
        lines.MarkLineError();
    }
}

ssize_t TermiosTransport::Send(const char* bytes, std::size_t length) {
    return ::write(m_device.Get(), bytes, length);
}

bool TermiosTransport::SendDamaged() {
    return m_writeErrors.NewErrors(m_device.Get());
}

// A USB adapter holds received bytes back until its latency timer runs out (16 ms on the
// common chips), and so every reply; drivers that take the low-latency flag send them at once.
// A driver or terminal that refuses it only costs that time.
void TermiosTransport::RequestLowLatency() {
    serial_struct serial{};
    m_lowLatencySet = false;
    if (::ioctl(m_device.Get(), TIOCGSERIAL, &serial) != 0 ||
        (serial.flags & ASYNC_LOW_LATENCY) != 0) {
        return;
    }
    m_savedSerialFlags = serial.flags;
    serial.flags |= ASYNC_LOW_LATENCY;
    m_lowLatencySet = ::ioctl(m_device.Get(), TIOCSSERIAL, &serial) == 0;
}

// The flags as the port had them before this open, so other programs find it as it was.
void TermiosTransport::RestoreLatency() {
    serial_struct serial{};
    if (m_lowLatencySet && ::ioctl(m_device.Get(), TIOCGSERIAL, &serial) == 0) {
        serial.flags = m_savedSerialFlags;
        ::ioctl(m_device.Get(), TIOCSSERIAL, &serial);
    }
    m_lowLatencySet = false;
}

void TermiosTransport::Release() {
    // Every step is best effort: a device that has gone away refuses them all and is released
    // all the same.
    const int fd = m_device.Get();
    int dtr = TIOCM_DTR;
    ::ioctl(fd, TIOCMBIC, &dtr);
    DrainOutput(fd);
    // Only what came in is of no use any more; what goes out may be a command still on its way.
    tcflush(fd, TCIFLUSH);
    tcsetattr(fd, TCSANOW, &m_savedSettings);
    RestoreLatency();
    GiveUpExclusive();
    m_device.Reset();
    m_decoder.Reset();
}
