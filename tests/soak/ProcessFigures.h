#pragma once

#include <sys/types.h>

#include <string>

// What one process holds, read from /proc: resident memory, open descriptors and threads.
struct ProcessFigures {
    long RssKiB = -1; // -1: the process could not be read
    int OpenFds = -1;
    int Threads = -1;
};

ProcessFigures ReadProcessFigures(pid_t pid);

// "RSS 12345 KiB -> 12400 KiB (+55 KiB), fds 9 -> 9, threads 4 -> 4"
std::string CompareFigures(const ProcessFigures& start, const ProcessFigures& end);
