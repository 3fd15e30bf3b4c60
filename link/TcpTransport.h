#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "common/FileDescriptor.h"
#include "link/DeviceAddress.h"
#include "link/LinkTransport.h"

// What both network transports share: the connection, and the reading and writing of its
// bytes. A connection the peer ends, resets or lets time out reads as Ended, just like a
// pulled adapter, so the port above re-opens it the same way.
class TcpTransport : public LinkTransport {
public:
    using Clock = std::chrono::steady_clock;

    // How long a connection may take to be made, name lookup included.
    static constexpr std::chrono::seconds CONNECT_TIME{3};

    explicit TcpTransport(DeviceAddress address) : m_address(std::move(address)) {}

    int Descriptor() const override { return m_socket.Get(); }
    ssize_t Send(const char* bytes, std::size_t length) override;
    void Release() override { m_socket.Reset(); }

protected:
    enum class Wait : std::uint8_t { Ready, TimedOut, Failed };

    // Connects within CONNECT_TIME; cancel is kept for the waits of the rest of the opening.
    bool Connect(int cancel, std::uint32_t& error);
    // Reads what the socket holds into chunk (emptied first).
    Received ReceiveBytes(std::string& chunk, std::uint32_t& error);
    // For use while opening, when nobody else writes: sends all of bytes before the deadline.
    bool SendBefore(std::string_view bytes, Clock::time_point deadline, std::uint32_t& error);
    // Waits until the socket is readable or the deadline passes; Failed with ECANCELED when
    // the opening is cancelled.
    Wait Readable(Clock::time_point deadline, std::uint32_t& error) const;
    // Fails an open: the connection goes, the reason stays.
    bool Abandon(std::uint32_t& error, std::uint32_t reason);

    DeviceAddress m_address;
    FileDescriptor m_socket;
    int m_cancel = -1; // while opening
};
