#pragma once

#include <string>

#include "common/FileDescriptor.h"

// An eventfd that other threads signal to wake a thread waiting in poll().
class WakeEvent {
public:
    bool Open(std::string& error);
    void Signal();
    void Drain();
    int Fd() const { return m_fd.Get(); }

private:
    FileDescriptor m_fd;
};
