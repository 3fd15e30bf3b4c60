#pragma once

#include <string>

#include "common/FileDescriptor.h"

// The sensor's end of a pseudo-terminal: the master, which the virtual sensor reads and
// writes, and the slave device that a host opens like a serial port.
class PtyEndpoint {
public:
    // A new pseudo-terminal; false with the reason in `error` and nothing left open.
    bool Open(std::string& error);
    // Closes both ends: a host holding the slave sees the line hang up.
    void Close();
    bool IsOpen() const { return static_cast<bool>(m_master); }
    int MasterFd() const { return m_master.Get(); }
    const std::string& SlavePath() const { return m_slavePath; }

private:
    FileDescriptor m_master;
    // Held open for the pseudo-terminal's whole life: without a slave open anywhere the
    // master reports a hang-up and reads fail with EIO, which a host that has not opened the
    // device yet (or is reopening it) would otherwise cause.
    FileDescriptor m_slave;
    std::string m_slavePath;
};
