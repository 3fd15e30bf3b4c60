#pragma once

#include <sys/types.h>

// True when the thread tid of this process is asleep in the kernel (state S in
// /proc/self/task/<tid>/stat), e.g. blocked in poll(). Lets a test wait until a worker thread
// really blocks before acting on it, instead of sleeping and hoping.
bool IsThreadSleeping(pid_t tid);
