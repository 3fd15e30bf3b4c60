#include "panel/qt/ShutdownSignals.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace {

std::atomic<int> g_signalPipe{-1};
constexpr int HANDLED[] = {SIGHUP, SIGINT, SIGTERM};

void OnSignal(int number) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(number);
    // Non-blocking: with the pipe full a request is already waiting, so losing this one is fine.
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe.load(), &byte, 1);
    errno = savedErrno;
}

} // namespace

CShutdownSignals::CShutdownSignals(QObject* parent) : QObject(parent) {
}

CShutdownSignals::~CShutdownSignals() {
    if (m_installed) {
        for (std::size_t index = 0; index < std::size(HANDLED); ++index) {
            ::sigaction(HANDLED[index], &m_previous[index], nullptr);
        }
        g_signalPipe = -1;
    }
    delete m_notifier;
    for (int fd : {m_readFd, m_writeFd}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool CShutdownSignals::Install() {
    int fds[2];
    if (m_installed || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    m_readFd = fds[0];
    m_writeFd = fds[1];
    g_signalPipe = m_writeFd;
    m_notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &CShutdownSignals::Drain);

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    m_installed = true;
    bool all = true;
    for (std::size_t index = 0; index < std::size(HANDLED); ++index) {
        all = ::sigaction(HANDLED[index], &action, &m_previous[index]) == 0 && all;
    }
    return all;
}

void CShutdownSignals::Drain() {
    unsigned char byte = 0;
    while (::read(m_readFd, &byte, 1) == 1) {
        emit Requested(byte);
    }
}
