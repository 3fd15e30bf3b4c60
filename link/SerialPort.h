#pragma once

#include <cstdint>
#include <mutex>
#include <string>


// The byte link to one sensor: opens a serial device exclusively at 9600 baud 7E1 without flow
// control, writes command strings and hands over whole reply lines (ended by CR).
//
// Reads are made by one thread only (the sensor proxy's receive thread); writes may come from
// any other thread. Close() may be called from another thread while Read() waits: it wakes the
// reader through an eventfd, because close() alone does not wake a poll().
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

    // The line format every port is opened with.
    static constexpr std::uint32_t BAUD_RATE = 9600;
    static constexpr std::uint32_t BYTE_SIZE = 7;
    static constexpr std::uint32_t PARITY_EVEN = 2;
    static constexpr std::uint32_t ONE_STOP_BIT = 0;

    // (private members are the implementation's own)
};
