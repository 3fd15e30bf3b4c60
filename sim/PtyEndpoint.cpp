#include "sim/PtyEndpoint.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>

#include <cerrno>
#include <cstring>

namespace {

bool Fail(std::string& error, const char* what) {
    error = std::string(what) + ": " + std::strerror(errno);
    return false;
}

} // namespace

bool PtyEndpoint::Open(std::string& error) {
    Close();
    FileDescriptor master(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!master) {
        return Fail(error, "posix_openpt");
    }
    char name[128] = {};
    if (::grantpt(master.Get()) != 0) {
        return Fail(error, "grantpt");
    }
    if (::unlockpt(master.Get()) != 0) {
        return Fail(error, "unlockpt");
    }
    if (::ptsname_r(master.Get(), name, sizeof name) != 0) {
        return Fail(error, "ptsname_r");
    }
    FileDescriptor slave(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave) {
        return Fail(error, name);
    }
    // Raw, so the line discipline passes CR through untouched and echoes nothing back.
    termios attributes{};
    if (::tcgetattr(slave.Get(), &attributes) != 0) {
        return Fail(error, "tcgetattr");
    }
    ::cfmakeraw(&attributes);
    ::cfsetispeed(&attributes, B9600);
    ::cfsetospeed(&attributes, B9600);
    if (::tcsetattr(slave.Get(), TCSANOW, &attributes) != 0) {
        return Fail(error, "tcsetattr");
    }
    m_master = std::move(master);
    m_slave = std::move(slave);
    m_slavePath = name;
    return true;
}

void PtyEndpoint::Close() {
    m_master.Reset();
    m_slave.Reset();
}
