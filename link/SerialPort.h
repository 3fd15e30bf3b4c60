#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <termios.h>
#include <vector>

#include "common/FileDescriptor.h"
#include "link/LineAssembler.h"
#include "link/LineErrorCounter.h"
#include "link/MarkedByteDecoder.h"

// The byte link to one sensor: opens a serial device exclusively in the line format of
// LineFormat.h without flow control, writes command strings and hands over whole reply lines
// (ended by CR).
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

    // portName is a device path ("/dev/ttyUSB0") or a port name "COMn", which maps to
    // /dev/ttyS<n-1> (callers with their own mapping pass the mapped path). On failure
    // returns false with errno in LastError() and nothing left open.
    bool Open(const std::string& portName);
    bool Close();
    bool IsOpen() const;
    bool Write(const char* bytes, std::uint32_t length);
    // Waits for a line and copies it (CR removed, zero byte behind) into buffer, which must
    // hold capacity + 1 bytes. Bytes after the last CR stay buffered for the next call.
    bool Read(char* buffer, std::uint32_t capacity, std::uint32_t& bytesRead);
    std::uint32_t LastError() const;

    const std::string& DeviceName() const { return m_deviceName; }

private:
    class Use;

    bool Fail();
    bool Fail(int error);
    bool TakeDevice(const std::string& path, FileDescriptor& device);
    bool PrepareLine(int fd);
    void ReleaseDevice();
    bool Receive(const Use& use);
    void Decode(const char* bytes, std::size_t count, int fd);
    bool HangUp(const Use& use);
    bool WriteAll(const Use& use, const char* bytes, std::uint32_t length);

    std::string m_deviceName;
    std::atomic<std::uint32_t> m_lastError{0};

    // Open, Close and every Read or Write meet here. Close marks the port as closing, wakes
    // whoever waits on the device through m_wake, and releases the device only once the
    // last user has left, so no thread ever works on a closed (or reused) descriptor.
    mutable std::mutex m_stateMutex;
    std::condition_variable m_stateChanged;
    unsigned m_users = 0;
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_closing{false};
    FileDescriptor m_device;
    FileDescriptor m_wake; // an eventfd, signalled once by Close and never reset
    termios m_savedSettings{};

    // Writes may come from several threads; one at a time keeps commands whole.
    std::mutex m_writeMutex;
    LineErrorCounter m_writeErrors{LineErrorCounter::Scope::AllErrors};

    // The receive side belongs to the one reading thread.
    LineErrorCounter m_readErrors{LineErrorCounter::Scope::LostCharacters};
    MarkedByteDecoder m_decoder;
    std::vector<MarkedByteDecoder::Item> m_decoded;
    LineAssembler m_lines;
};
