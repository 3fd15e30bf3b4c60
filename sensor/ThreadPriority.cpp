#include "sensor/ThreadPriority.h"

#include <cerrno>
#include <sys/resource.h>
#include <unistd.h>

void RaiseThreadPriority() {
    const auto thread = static_cast<id_t>(gettid());
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, thread);
    if (errno == 0) {
        setpriority(PRIO_PROCESS, thread, nice - 1);
    }
}
