#include "link/RawTcpTransport.h"

#include <algorithm>

#include "common/LinkError.h"

namespace {

// A server that already serves another client accepts the connection and ends it at once
// (ser2net after a line of text). A raw stream has no handshake to show that, so Open watches
// the fresh connection for a moment: twice the time the connection took to be made (one round
// trip each), plus room for the server's own work.
constexpr std::chrono::milliseconds SETTLE_MINIMUM{20};
constexpr std::chrono::milliseconds SETTLE_MAXIMUM{250};

} // namespace

bool RawTcpTransport::Open(int cancel, std::uint32_t& error) {
    const auto start = Clock::now();
    if (!Connect(cancel, error)) {
        return false;
    }
    const auto settle =
        std::min<Clock::duration>(SETTLE_MAXIMUM, SETTLE_MINIMUM + 2 * (Clock::now() - start));
    const auto deadline = Clock::now() + settle;
    for (;;) {
        switch (Readable(deadline, error)) {
        case Wait::TimedOut:
            return true;
        case Wait::Failed:
            return Abandon(error, error);
        case Wait::Ready:
            break;
        }
        // What arrives before we have said anything is no reply to us.
        switch (ReceiveBytes(m_chunk, error)) {
        case Received::Ended:
            return Abandon(error, LINK_ERROR_SERVER_IN_USE);
        case Received::Failed:
            return Abandon(error, error);
        case Received::Data:
        case Received::Nothing:
            break;
        }
    }
}

LinkTransport::Received RawTcpTransport::Receive(LineAssembler& lines, std::string& /*replies*/,
                                                 std::uint32_t& error) {
    const Received received = ReceiveBytes(m_chunk, error);
    for (const char byte : m_chunk) {
        lines.AddWireByte(static_cast<unsigned char>(byte));
    }
    return received;
}
