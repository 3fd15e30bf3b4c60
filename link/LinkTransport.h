#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "link/LineAssembler.h"

// How the bytes of one sensor line travel: through a local serial device or over TCP. The
// port above it (CSerialPort) owns the waiting, the wake-up on Close, the admission of readers
// and writers and the line assembly; a transport only opens, moves bytes and releases.
class LinkTransport {
public:
    enum class Received : std::uint8_t {
        Data,    // characters (or protocol bytes) were taken
        Nothing, // the descriptor had nothing after all
        Ended,   // the far side is gone: a pulled adapter, a dropped connection
        Failed,  // error holds the reason
    };

    virtual ~LinkTransport() = default;

    // False with the reason in error and nothing left open. cancel is an eventfd that Close
    // signals: a transport that waits while opening (connecting, negotiating) gives up with
    // ECANCELED once it is signalled.
    virtual bool Open(int cancel, std::uint32_t& error) = 0;
    // What to wait on for reading and writing.
    virtual int Descriptor() const = 0;
    // Takes what the descriptor holds: the line's characters go to lines, answers the line's
    // protocol owes the far side to replies (ready for the wire).
    virtual Received Receive(LineAssembler& lines, std::string& replies, std::uint32_t& error) = 0;
    // The bytes that carry text on the wire.
    virtual std::string Encode(std::string_view text) const { return std::string(text); }
    // One attempt that does not wait: the count written, or -1 with errno set.
    virtual ssize_t Send(const char* bytes, std::size_t length) = 0;
    // The line counted damage while sending since the last look.
    virtual bool SendDamaged() { return false; }
    // Best effort; the descriptor is closed afterwards in any case.
    virtual void Release() = 0;
};

// The transport for a device string (see DeviceAddress); null with LINK_ERROR_BAD_ADDRESS in
// error when it is a malformed URL.
std::unique_ptr<LinkTransport> MakeTransport(const std::string& device, std::uint32_t& error);
