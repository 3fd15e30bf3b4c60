#include "PtyPair.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>

PtyPair::PtyPair() : m_master(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    std::array<char, 128> name{};
    if (!m_master || grantpt(m_master.Get()) != 0 || unlockpt(m_master.Get()) != 0 ||
        ptsname_r(m_master.Get(), name.data(), name.size()) != 0) {
        m_master.Reset();
        return;
    }
    m_slavePath = name.data();
}

bool PtyPair::WriteToMaster(std::string_view bytes, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!bytes.empty()) {
        const ssize_t count = ::write(m_master.Get(), bytes.data(), bytes.size());
        if (count > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(count));
        } else if (count < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else if (!WaitForMaster(POLLOUT, deadline)) {
            return false;
        }
    }
    return true;
}

std::string PtyPair::ReadFromMaster(std::size_t count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string received;
    std::array<char, 4096> chunk{};
    while (received.size() < count) {
        const ssize_t got = ::read(m_master.Get(), chunk.data(), chunk.size());
        if (got > 0) {
            received.append(chunk.data(), static_cast<std::size_t>(got));
        } else if (got < 0 && errno != EAGAIN && errno != EINTR) {
            break; // EIO: no slave is open any more
        } else if (!WaitForMaster(POLLIN, deadline)) {
            break;
        }
    }
    return received;
}

bool PtyPair::WaitForMaster(short events, std::chrono::steady_clock::time_point deadline) const {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd fd{m_master.Get(), events, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(left.count()));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            return false;
        }
    }
}

void PtyPair::FillSlaveOutput(int slaveFd) {
    for (bool wrote = true; wrote;) {
        wrote = false;
        for (const std::size_t size : {4096, 1}) {
            const std::string block(size, 'f');
            while (::write(slaveFd, block.data(), block.size()) > 0) {
                wrote = true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}
