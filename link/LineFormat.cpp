#include "link/LineFormat.h"

#include <cerrno>
#include <linux/major.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

// termios names its speeds and sizes; these are the ones of the line format.
constexpr speed_t LINE_SPEED = B9600;
constexpr tcflag_t LINE_CHARACTER_SIZE = CS7;
static_assert(LINE_BAUD_RATE == 9600 && LINE_DATA_BITS == 7,
              "the termios speed and character size follow the line format");

termios SensorLineFormat(const termios& current) {
    termios wanted = current;
    // No IGNPAR, IGNBRK, BRKINT or ISTRIP: damaged characters and breaks must reach the reader
    // as marks, and 8-bit bytes must stay visible so the reader can refuse them.
    wanted.c_iflag = INPCK | PARMRK;
    wanted.c_oflag = 0;
    wanted.c_lflag = 0;
    // CLOCAL: the sensor cable carries no carrier-detect line to wait for.
    wanted.c_cflag = (current.c_cflag & HUPCL) | LINE_CHARACTER_SIZE | PARENB | CREAD | CLOCAL;
    wanted.c_cc[VMIN] = 0;
    wanted.c_cc[VTIME] = 0;
    cfsetispeed(&wanted, LINE_SPEED);
    cfsetospeed(&wanted, LINE_SPEED);
    return wanted;
}

bool IsPseudoTerminal(int fd) {
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) {
        return false;
    }
    const unsigned int deviceMajor = major(status.st_rdev);
    return deviceMajor >= UNIX98_PTY_SLAVE_MAJOR &&
           deviceMajor < UNIX98_PTY_SLAVE_MAJOR + UNIX98_PTY_MAJOR_COUNT;
}

// A pseudo-terminal always runs 8 data bits without parity and says so afterwards.
bool SameExceptSizeAndParity(const termios& actual, const termios& wanted) {
    constexpr tcflag_t FORCED_BY_PTY = CSIZE | PARENB;
    return actual.c_iflag == wanted.c_iflag && actual.c_oflag == wanted.c_oflag &&
           actual.c_lflag == wanted.c_lflag &&
           (actual.c_cflag & ~FORCED_BY_PTY) == (wanted.c_cflag & ~FORCED_BY_PTY) &&
           actual.c_cc[VMIN] == wanted.c_cc[VMIN] && actual.c_cc[VTIME] == wanted.c_cc[VTIME] &&
           cfgetispeed(&actual) == cfgetispeed(&wanted) &&
           cfgetospeed(&actual) == cfgetospeed(&wanted);
}

} // namespace

bool ApplyLineFormat(int fd, const termios& current) {
    const termios wanted = SensorLineFormat(current);
    if (tcsetattr(fd, TCSANOW, &wanted) == 0) {
        return true;
    }
    // Some C libraries check the result of the change and report EINVAL when a pseudo-terminal
    // forced its own size and parity bits; that difference is expected there and harmless. A
    // real adapter that cannot do 7E1 is refused: it would garble every reply.
    if (errno != EINVAL) {
        return false;
    }
    termios actual{};
    if (!IsPseudoTerminal(fd) || tcgetattr(fd, &actual) != 0 ||
        !SameExceptSizeAndParity(actual, wanted)) {
        errno = EINVAL;
        return false;
    }
    return true;
}
