#pragma once

#include <string>

#include "link/TcpTransport.h"

// A raw TCP byte stream to a serial device server whose port is already set to the sensor's
// line format ("socket://HOST:PORT").
class RawTcpTransport : public TcpTransport {
public:
    using TcpTransport::TcpTransport;

    bool Open(int cancel, std::uint32_t& error) override;
    Received Receive(LineAssembler& lines, std::string& replies, std::uint32_t& error) override;

private:
    std::string m_chunk;
};
