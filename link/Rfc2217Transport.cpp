#include "link/Rfc2217Transport.h"

#include <cerrno>

#include "common/LinkError.h"
#include "link/ComPortSetup.h"

bool Rfc2217Transport::Open(int cancel, std::uint32_t& error) {
    m_codec = TelnetCodec(true);
    if (!Connect(cancel, error)) {
        return false;
    }
    if (!Negotiate(error)) {
        // A server that serves another client greets and hangs up before any answer; the
        // end shows either in reading or in a write of ours that finds the connection gone.
        return Abandon(error, error == EIO ? LINK_ERROR_SERVER_IN_USE : error);
    }
    m_binary = m_codec.WeDo(TelnetCodec::BINARY);
    return true;
}

bool Rfc2217Transport::Negotiate(std::uint32_t& error) {
    const auto deadline = Clock::now() + NEGOTIATION_TIME;
    if (!SendBefore(m_codec.Start(), deadline, error)) {
        return false;
    }
    ComPortSetup setup;
    bool requested = false;
    while (setup.State() == ComPortSetup::Outcome::Waiting) {
        if (m_codec.RefusedByServer(TelnetCodec::COM_PORT_OPTION)) {
            error = LINK_ERROR_NO_RFC2217;
            return false;
        }
        if (!requested && m_codec.WeDo(TelnetCodec::COM_PORT_OPTION)) {
            requested = true;
            if (!SendBefore(ComPortSetup::Requests(), deadline, error)) {
                return false;
            }
        }
        switch (Readable(deadline, error)) {
        case Wait::TimedOut:
            // A server that took the option yet never confirmed a setting speaks the protocol
            // all right; what failed is that setting.
            error =
                requested ? LINK_ERROR_UNCONFIRMED + setup.Unconfirmed() : LINK_ERROR_NO_RFC2217;
            return false;
        case Wait::Failed:
            return false;
        case Wait::Ready:
            break;
        }
        switch (ReceiveBytes(m_chunk, error)) {
        case Received::Ended:
            error = EIO;
            return false;
        case Received::Failed:
            return false;
        case Received::Data:
        case Received::Nothing:
            break;
        }
        // Line data before the line is set up is no reply to us and is dropped.
        m_input.Clear();
        m_codec.Receive(m_chunk, m_input);
        if (!SendBefore(m_input.replies, deadline, error)) {
            return false;
        }
        for (const TelnetCodec::Subnegotiation& sub : m_input.subnegotiations) {
            if (sub.option == TelnetCodec::COM_PORT_OPTION) {
                setup.Take(sub.payload);
            }
        }
    }
    if (setup.State() == ComPortSetup::Outcome::Refused) {
        error = LINK_ERROR_FORMAT_REFUSED;
        return false;
    }
    return true;
}

LinkTransport::Received Rfc2217Transport::Receive(LineAssembler& lines, std::string& replies,
                                                  std::uint32_t& error) {
    const Received received = ReceiveBytes(m_chunk, error);
    m_input.Clear();
    m_codec.Receive(m_chunk, m_input);
    for (const char byte : m_input.data) {
        lines.AddWireByte(static_cast<unsigned char>(byte));
    }
    // Notifications of line and modem state carry nothing the sensor's replies do not.
    replies += m_input.replies;
    return received;
}

std::string Rfc2217Transport::Encode(std::string_view text) const {
    return TelnetCodec::Encode(text, m_binary);
}
