#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <termios.h>

#include "link/LineFormat.h"
#include "link/SerialPort.h"
#include "support/PtyPair.h"

namespace {

// While set, tcsetattr behaves like the C libraries that read the settings back and report
// EINVAL when the device did not take every bit, as a pseudo-terminal never takes 7E1.
std::atomic<bool> g_strictTcsetattr{false};

using TcsetattrFunction = int (*)(int, int, const termios*);

} // namespace

// Takes the place of the C library's tcsetattr in this test program; it passes every call on.
extern "C" int tcsetattr(int fd, int optionalActions, const termios* wanted) {
    static const auto real = reinterpret_cast<TcsetattrFunction>(dlsym(RTLD_NEXT, "tcsetattr"));
    if (real(fd, optionalActions, wanted) != 0) {
        return -1;
    }
    termios actual{};
    if (g_strictTcsetattr && tcgetattr(fd, &actual) == 0 && actual.c_cflag != wanted->c_cflag) {
        errno = EINVAL;
        return -1;
    }
    return 0;
}

TEST(LineFormat, APseudoTerminalIsAcceptedWhenTheLibraryComplainsAboutItsForcedBits) {
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    g_strictTcsetattr = true;
    CSerialPort port;
    const bool opened = port.Open(pty.SlavePath());
    g_strictTcsetattr = false;
    EXPECT_TRUE(opened) << "errno " << port.LastError();

    // The master side, which forces the same bits but is no terminal a program opens as its
    // line, stands for an adapter that cannot do 7E1: that one is refused.
    termios current{};
    ASSERT_EQ(tcgetattr(pty.MasterFd(), &current), 0);
    g_strictTcsetattr = true;
    errno = 0;
    const bool applied = ApplyLineFormat(pty.MasterFd(), current);
    const int error = errno;
    g_strictTcsetattr = false;
    EXPECT_FALSE(applied);
    EXPECT_EQ(error, EINVAL);
}
