#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "common/FileDescriptor.h"

// A fresh pseudo-terminal pair for tests: the code under test opens SlavePath() like a serial
// device; the test plays the far end on the master side. Check IsValid() after construction.
class PtyPair {
public:
    PtyPair();

    bool IsValid() const { return static_cast<bool>(m_master) && !m_slavePath.empty(); }
    int MasterFd() const { return m_master.Get(); }
    const std::string& SlavePath() const { return m_slavePath; }

    // Writes every byte to the master (waiting while the terminal's buffer is full); false on
    // an error or when the bytes could not all be written before timeout.
    bool WriteToMaster(std::string_view bytes,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));
    // What the slave side sent: reads until count bytes arrived or timeout passed.
    std::string ReadFromMaster(std::size_t count,
                               std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));
    // Writes to slaveFd (a non-blocking descriptor of the slave) until the terminal takes no
    // more, as a far end that stopped reading leaves it. The terminal frees room a little
    // after a write, so it is filled until a pause frees nothing.
    static void FillSlaveOutput(int slaveFd);
    // Hangs the line up for the slave side, as a pulled adapter does.
    void CloseMaster() { m_master.Reset(); }

private:
    bool WaitForMaster(short events, std::chrono::steady_clock::time_point deadline) const;

    FileDescriptor m_master;
    std::string m_slavePath;
};
