#include "sim/WakeEvent.h"

#include <sys/eventfd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

bool WakeEvent::Open(std::string& error) {
    m_fd.Reset(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!m_fd) {
        error = std::string("eventfd: ") + std::strerror(errno);
        return false;
    }
    return true;
}

void WakeEvent::Signal() {
    const std::uint64_t one = 1;
    // A full counter (EAGAIN) still wakes the reader, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(m_fd.Get(), &one, sizeof one);
}

void WakeEvent::Drain() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(m_fd.Get(), &count, sizeof count);
}
