#include "link/LineErrorCounter.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

void LineErrorCounter::Start(int fd) {
    m_seen = 0;
    m_available = Count(fd, m_seen);
}

bool LineErrorCounter::NewErrors(int fd) {
    unsigned long total = 0;
    if (!m_available || !Count(fd, total)) {
        return false;
    }
    const bool grew = total != m_seen;
    m_seen = total;
    return grew;
}

bool LineErrorCounter::Count(int fd, unsigned long& total) const {
    serial_icounter_struct counts{};
    if (::ioctl(fd, TIOCGICOUNT, &counts) != 0) {
        return false;
    }
    total =
        static_cast<unsigned long>(counts.overrun) + static_cast<unsigned long>(counts.buf_overrun);
    if (m_scope == Scope::AllErrors) {
        total += static_cast<unsigned long>(counts.frame) +
                 static_cast<unsigned long>(counts.parity) + static_cast<unsigned long>(counts.brk);
    }
    return true;
}
