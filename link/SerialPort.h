#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "common/FileDescriptor.h"
#include "link/LineAssembler.h"
#include "link/LinkTransport.h"

// The byte link to one sensor: opens a serial device exclusively in the line format of
// LineFormat.h without flow control, writes command strings and hands over whole reply lines
// (ended by CR). The device may also be a remote serial line (rfc2217://HOST:PORT,
// socket://HOST:PORT); the device string picks the transport, and the lines read the same
// either way. A dropped connection reads like a pulled adapter.
//
// Reads are made by one thread only (the sensor proxy's receive thread); writes may come from
// any other thread. Close() may be called from another thread while Read() or Write() waits: it
// wakes them through an eventfd, because close() alone does not wake a poll(). A Write whose
// bytes the device does not take before LineWriteDeadline fails with ETIMEDOUT.
class CSerialPort {
public:
    CSerialPort();
    virtual ~CSerialPort();

    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // portName is a device path ("/dev/ttyUSB0"), a remote line's URL or a port name "COMn",
    // which maps to /dev/ttyS<n-1> (callers with their own mapping pass the mapped path). On
    // failure returns false with errno (or a LINK_ERROR_...) in LastError() and nothing left
    // open. A remote server that is still busy with its previous client is tried again for up
    // to inUseRetry before its "in use" counts.
    bool Open(const std::string& portName,
              std::chrono::milliseconds inUseRetry = std::chrono::milliseconds(0));
    // From another thread: ends an Open in progress, which then fails with ECANCELED, and
    // returns once it has. Does nothing to a port that is not being opened.
    void CancelOpen();
    bool Close();
    bool IsOpen() const;
    bool Write(const char* bytes, std::uint32_t length);
    // Waits for a line and copies it (CR removed, zero byte behind) into buffer, which must
    // hold capacity + 1 bytes. Bytes after the last CR stay buffered for the next call.
    bool Read(char* buffer, std::uint32_t capacity, std::uint32_t& bytesRead);
    std::uint32_t LastError() const;
    // The reason the last failed Write failed. The reading thread fails on its own (and may do
    // so at any moment), so a writer words its failure with this, never with LastError().
    std::uint32_t LastWriteError() const;

    const std::string& DeviceName() const { return m_deviceName; }

private:
    class Use;

    using Clock = std::chrono::steady_clock;

    std::unique_ptr<LinkTransport> OpenTransport(Clock::time_point retryUntil,
                                                 std::uint32_t& error);
    bool CancelOpening(std::unique_lock<std::mutex>& lock);
    bool Fail();
    bool Fail(int error);
    bool Fail(std::uint32_t error);
    bool FailWrite(std::uint32_t error);
    bool Receive(const Use& use);
    bool Reply(const Use& use);
    bool HangUp(const Use& use);
    bool WriteAll(const Use& use, const std::string& wire, std::uint32_t& error);

    std::string m_deviceName;
    std::atomic<std::uint32_t> m_lastError{0};
    std::atomic<std::uint32_t> m_lastWriteError{0};

    // Open, Close and every Read or Write meet here. Close marks the port as closing, wakes
    // whoever waits on the device through m_wake, and releases the device only once the
    // last user has left, so no thread ever works on a closed (or reused) descriptor. Close
    // during an Open cancels it through the same event.
    mutable std::mutex m_stateMutex;
    std::condition_variable m_stateChanged;
    unsigned m_users = 0;
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_closing{false};
    std::atomic<bool> m_opening{false};   // a transport is being opened, outside the lock
    std::atomic<bool> m_cancelled{false}; // Close came while it was
    std::unique_ptr<LinkTransport> m_transport;
    FileDescriptor m_wake; // an eventfd, signalled once by Close and never reset

    // Writes may come from several threads, and the receiving side answers the line protocol
    // of a remote line; one at a time keeps commands and answers whole.
    std::mutex m_writeMutex;

    // The receive side belongs to the one reading thread.
    LineAssembler m_lines;
    std::string m_replies; // what the line protocol owes the far side
};
