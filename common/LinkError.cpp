#include "common/LinkError.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>

#include <utility>

namespace {

// Unconfirmed line settings in words: "even parity, no flow control".
std::string SettingNames(unsigned settings) {
    constexpr std::pair<unsigned, const char*> NAMES[] = {
        {LINE_SETTING_BAUD, "9600 baud"},       {LINE_SETTING_SIZE, "7 data bits"},
        {LINE_SETTING_PARITY, "even parity"},   {LINE_SETTING_STOP, "1 stop bit"},
        {LINE_SETTING_FLOW, "no flow control"},
    };
    std::string names;
    for (const auto& [bit, name] : NAMES) {
        if ((settings & bit) != 0) {
            names += (names.empty() ? "" : ", ") + std::string(name);
        }
    }
    return names;
}

} // namespace

std::string LinkErrorText(std::uint32_t error) {
    switch (error) {
    case LINK_ERROR_BAD_ADDRESS:
        return "not an address of the form rfc2217://HOST:PORT or socket://HOST:PORT";
    case LINK_ERROR_HOST_NOT_FOUND:
        return "host name not found";
    case LINK_ERROR_NO_RFC2217:
        return "the server does not speak RFC 2217";
    case LINK_ERROR_SERVER_IN_USE:
        return "the port is in use: the server already serves another client";
    case ENOTTY:
        // What tcgetattr says of anything that is not a terminal: /dev/null, a FIFO, a file.
        return "not a serial port";
    case LINK_ERROR_FORMAT_REFUSED:
        return "the server refused 9600 baud 7E1 without flow control";
    default:
        break;
    }
    if (error > LINK_ERROR_UNCONFIRMED && error <= LINK_ERROR_UNCONFIRMED_LAST) {
        return "the server speaks RFC 2217 but did not confirm " +
               SettingNames(error - LINK_ERROR_UNCONFIRMED);
    }
    if (error > LINK_ERROR_LOOKUP_FAILED && error <= LINK_ERROR_LOOKUP_FAILED_LAST) {
        const int status = -static_cast<int>(error - LINK_ERROR_LOOKUP_FAILED);
        return std::string("host name lookup failed: ") + ::gai_strerror(status);
    }
    return std::strerror(static_cast<int>(error));
}
