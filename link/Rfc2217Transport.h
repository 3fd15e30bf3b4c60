#pragma once

#include <string>

#include "link/TcpTransport.h"
#include "link/TelnetCodec.h"

// A telnet connection to a serial device server that sets the line up itself through the
// COM-PORT-OPTION of RFC 2217 ("rfc2217://HOST:PORT"). Open negotiates the option and the
// sensor's line format, and fails with a clear reason when the server refuses either or does
// not answer within NEGOTIATION_TIME.
class Rfc2217Transport : public TcpTransport {
public:
    static constexpr std::chrono::seconds NEGOTIATION_TIME{2};

    using TcpTransport::TcpTransport;

    bool Open(int cancel, std::uint32_t& error) override;
    Received Receive(LineAssembler& lines, std::string& replies, std::uint32_t& error) override;
    std::string Encode(std::string_view text) const override;

private:
    bool Negotiate(std::uint32_t& error);

    TelnetCodec m_codec{true};
    TelnetCodec::Input m_input;
    std::string m_chunk;
    // Fixed once open: writers on other threads read it while the receiving side runs the codec.
    bool m_binary = false;
};
