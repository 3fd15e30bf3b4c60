#include "link/LinkError.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>

#include "link/ComPortSetup.h"

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
               ComPortSetup::SettingNames(error - LINK_ERROR_UNCONFIRMED);
    }
    if (error > LINK_ERROR_LOOKUP_FAILED && error <= LINK_ERROR_LOOKUP_FAILED_LAST) {
        const int status = -static_cast<int>(error - LINK_ERROR_LOOKUP_FAILED);
        return std::string("host name lookup failed: ") + ::gai_strerror(status);
    }
    return std::strerror(static_cast<int>(error));
}
