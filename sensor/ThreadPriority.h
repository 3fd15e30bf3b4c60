#pragma once

// Raises the calling thread a step above normal priority, so replies and timer ticks are taken
// promptly when the machine is busy. Without the permission to do so the thread stays at normal
// priority, which is no error.
void RaiseThreadPriority();
